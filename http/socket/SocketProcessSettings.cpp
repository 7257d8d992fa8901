#include "http/socket/SocketProcessSettings.h"

#include "core/ProcessSettings.h"
#include "http/socket/os/SocketApi.h"
#include "platform/Text.h"
#include "threads/VolMutex.h"

namespace socket_settings {

namespace {

// Holds a mutex of the threading library for one scope.
class Held {
public:
    explicit Held(VolMutex& mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~Held() { mutex_.Unlock(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    VolMutex& mutex_;
};

struct State {
    VolMutex lock;
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
    Held guard(state.lock);
    if (state.initialised) return;
    static const bool started = http::os::StartSockets();
    (void)started;
    state.proxyHost.clear();
    if (const auto& proxy = CurrentProcessSettings().proxy) state.proxyHost = platform::ToUtf8(*proxy);
    state.initialised = true;
}

std::string ProxyHost() {
    State& state = Shared();
    Held guard(state.lock);
    return state.proxyHost;
}

bool GetProxyChallenge(ProxyChallenge* out) {
    State& state = Shared();
    Held guard(state.lock);
    if (!state.hasChallenge) return false;
    *out = state.challenge;
    return true;
}

void SetProxyChallenge(const ProxyChallenge& challenge) {
    State& state = Shared();
    Held guard(state.lock);
    state.challenge = challenge;
    state.hasChallenge = true;
}

void ResetForTesting() {
    State& state = Shared();
    Held guard(state.lock);
    state.initialised = false;
    state.proxyHost.clear();
    state.hasChallenge = false;
    state.challenge = ProxyChallenge{};
}

}  // namespace socket_settings
