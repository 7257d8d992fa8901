#include "http/socket/SocketProcessSettings.h"

#include "core/ProcessSettings.h"
#include "http/HttpLimits.h"
#include "http/socket/os/SocketApi.h"
#include "platform/Text.h"
#include "threads/VolMutexUntraced.h"

namespace socket_settings {

namespace {

// Holders on several threads may construct socket drivers and meet a 407 at once: every value
// below is read and written under the lock. Untraced, so that the thread trace (itself a socket
// user) never reports it.
struct State {
    VolMutex lock{0, 0, 1};
    bool initialised = false;
    std::string proxyHost;
    uint16_t proxyPort = kHttpProxyPort;
    bool hasChallenge = false;
    ProxyChallenge challenge;
};

// Never destroyed: a holder on another thread may still ask for the proxy while the process ends.
State& Shared() {
    static State& state = *new State;
    return state;
}

}  // namespace

void EnsureInitialised() {
    State& state = Shared();
    VolMutexUntracedHold guard(state.lock);
    if (state.initialised) return;
    static const bool started = http::os::StartSockets();
    (void)started;
    state.proxyHost.clear();
    if (const auto& proxy = CurrentProcessSettings().proxy) state.proxyHost = platform::ToUtf8(*proxy);
    state.initialised = true;
}

std::string ProxyHost() {
    State& state = Shared();
    VolMutexUntracedHold guard(state.lock);
    return state.proxyHost;
}

uint16_t ProxyPort() {
    State& state = Shared();
    VolMutexUntracedHold guard(state.lock);
    return state.proxyPort;
}

void UseProxyPortForTests(uint16_t port) {
    State& state = Shared();
    VolMutexUntracedHold guard(state.lock);
    state.proxyPort = port;
}

bool GetProxyChallenge(ProxyChallenge* out) {
    State& state = Shared();
    VolMutexUntracedHold guard(state.lock);
    if (!state.hasChallenge) return false;
    *out = state.challenge;
    return true;
}

void SetProxyChallenge(const ProxyChallenge& challenge) {
    State& state = Shared();
    VolMutexUntracedHold guard(state.lock);
    state.challenge = challenge;
    state.hasChallenge = true;
}

void ResetForTests() {
    State& state = Shared();
    VolMutexUntracedHold guard(state.lock);
    state.initialised = false;
    state.proxyHost.clear();
    state.proxyPort = kHttpProxyPort;
    state.hasChallenge = false;
    state.challenge = ProxyChallenge{};
}

}  // namespace socket_settings
