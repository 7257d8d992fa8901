#pragma once
#include <cstdint>
#include <string>

// What every socket driver of the process shares: the proxy named by the "Proxy" environment
// variable (read once, with the socket library's start-up) and the proxy credentials obtained
// for the last 407 answer.
namespace socket_settings {

// Reads "Proxy" and starts the socket library, the first time only.
void EnsureInitialised();
// The proxy host, or empty when none is configured.
std::string ProxyHost();
// The proxy's port: kHttpProxyPort.
uint16_t ProxyPort();

struct ProxyChallenge {
    std::string scheme;
    std::string challenge;
    std::string credentials;
};
// False when no proxy credentials have been obtained yet.
bool GetProxyChallenge(ProxyChallenge* out);
void SetProxyChallenge(const ProxyChallenge& challenge);

// Forgets everything above, so that the next construction reads the environment again. For tests,
// which change "Proxy" between cases within one process.
void ResetForTests();
// Sends proxy traffic to another port until the next reset, so that a test can stand in for the
// proxy on a free port (8080 is the fixture's real proxy).
void UseProxyPortForTests(uint16_t port);

}  // namespace socket_settings
