#include "tests/threads/support/LoopbackCollector.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketLength = int;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketLength = socklen_t;
#endif

namespace {

void CloseSocket(long long socket) {
#ifdef _WIN32
    closesocket(static_cast<SOCKET>(socket));
#else
    close(static_cast<int>(socket));
#endif
}

void StartSockets() {
#ifdef _WIN32
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
#endif
}

// Listens on 127.0.0.1 at a port chosen by the system; returns the socket or -1.
long long ListenOnLoopback(int* port) {
    StartSockets();
    const auto socketHandle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const long long listener = static_cast<long long>(socketHandle);
#ifdef _WIN32
    if (socketHandle == INVALID_SOCKET) return -1;
#else
    if (listener < 0) return -1;
#endif
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    SocketLength length = sizeof address;
    if (::bind(socketHandle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socketHandle, 4) != 0 ||
        ::getsockname(socketHandle, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        CloseSocket(listener);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return listener;
}

}  // namespace

LoopbackCollector::LoopbackCollector() {
    listener_ = ListenOnLoopback(&port_);
}

LoopbackCollector::~LoopbackCollector() {
    if (listener_ >= 0) CloseSocket(listener_);
}

int LoopbackCollector::FreePort() {
    int port = 0;
    const long long listener = ListenOnLoopback(&port);
    if (listener < 0) return 0;
    CloseSocket(listener);
    return port;
}

long long LoopbackCollector::Accept(int timeoutSeconds) {
    if (listener_ < 0) return -1;
    fd_set readable;
    FD_ZERO(&readable);
#ifdef _WIN32
    FD_SET(static_cast<SOCKET>(listener_), &readable);
#else
    FD_SET(static_cast<int>(listener_), &readable);
#endif
    timeval limit{timeoutSeconds, 0};
    if (::select(static_cast<int>(listener_) + 1, &readable, nullptr, nullptr, &limit) <= 0) return -1;
    const auto client = ::accept(static_cast<decltype(::socket(0, 0, 0))>(listener_), nullptr, nullptr);
#ifdef _WIN32
    if (client == INVALID_SOCKET) return -1;
#else
    if (client < 0) return -1;
#endif
    return static_cast<long long>(client);
}

std::string LoopbackCollector::ReceiveAll(int timeoutSeconds) {
    std::string received;
    const long long client = Accept(timeoutSeconds);
    if (client < 0) return received;
    char buffer[4096];
    // Bounded: at most 16 MiB, and the client closes when its process ends.
    while (received.size() < (16u << 20)) {
        const int got =
            static_cast<int>(::recv(static_cast<decltype(::socket(0, 0, 0))>(client), buffer, sizeof buffer, 0));
        if (got <= 0) break;
        received.append(buffer, static_cast<std::size_t>(got));
    }
    CloseSocket(client);
    return received;
}

bool LoopbackCollector::AcceptAndClose(int timeoutSeconds) {
    const long long client = Accept(timeoutSeconds);
    if (client < 0) return false;
    CloseSocket(client);
    return true;
}
