#include "http/socket/SocketProcessSettings.h"

#include <mutex>

#include "core/ProcessSettings.h"
#include "http/socket/os/SocketApi.h"
#include "platform/Text.h"

namespace socket_settings {

namespace {

struct State {
    std::mutex lock;
    bool initialised = false;
    std::string proxyHost;
    bool hasChallenge = false;
    ProxyChallenge challenge;
};

State& Shared() {
    static State state;
    return state;
}

}  // namespace

void EnsureInitialised() {
    State& state = Shared();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.initialised) return;
    static const bool started = http::os::StartSockets();
    (void)started;
    state.proxyHost.clear();
    if (const auto& proxy = CurrentProcessSettings().proxy) state.proxyHost = platform::ToUtf8(*proxy);
    state.initialised = true;
}

std::string ProxyHost() {
    State& state = Shared();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.proxyHost;
}

bool GetProxyChallenge(ProxyChallenge* out) {
    State& state = Shared();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.hasChallenge) return false;
    *out = state.challenge;
    return true;
}

void SetProxyChallenge(const ProxyChallenge& challenge) {
    State& state = Shared();
    std::lock_guard<std::mutex> guard(state.lock);
    state.challenge = challenge;
    state.hasChallenge = true;
}

void ResetForTesting() {
    State& state = Shared();
    std::lock_guard<std::mutex> guard(state.lock);
    state.initialised = false;
    state.proxyHost.clear();
    state.hasChallenge = false;
    state.challenge = ProxyChallenge{};
}

}  // namespace socket_settings
