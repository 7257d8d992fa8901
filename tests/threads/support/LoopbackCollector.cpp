#include "tests/threads/support/LoopbackCollector.h"

#include <cstddef>
#include <string>

#include "tests/support/LoopbackSocket.h"

LoopbackCollector::LoopbackCollector() {
    listener_ = static_cast<long long>(loopback::Listen(&port_));
}

LoopbackCollector::~LoopbackCollector() {
    if (listener_ >= 0) loopback::Close(listener_);
}

int LoopbackCollector::FreePort() {
    int port = 0;
    const long long listener = static_cast<long long>(loopback::Listen(&port));
    if (listener < 0) return 0;
    loopback::Close(listener);
    return port;
}

long long LoopbackCollector::Accept(int timeoutSeconds) {
    return static_cast<long long>(loopback::AcceptWithin(listener_, timeoutSeconds));
}

std::string LoopbackCollector::ReceiveAll(int timeoutSeconds) {
    std::string received;
    const long long client = Accept(timeoutSeconds);
    if (client < 0) return received;
    char buffer[4096];
    // Bounded: at most 16 MiB, and the client closes when its process ends.
    while (received.size() < (16u << 20)) {
        const int got = loopback::Receive(client, buffer, sizeof buffer);
        if (got <= 0) break;
        received.append(buffer, static_cast<std::size_t>(got));
    }
    loopback::Close(client);
    return received;
}

bool LoopbackCollector::AcceptAndClose(int timeoutSeconds) {
    const long long client = Accept(timeoutSeconds);
    if (client < 0) return false;
    loopback::Close(client);
    return true;
}
