#include "tests/support/LoopbackSocket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketLength = int;
using Handle = SOCKET;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
using SocketLength = socklen_t;
using Handle = int;
#endif

namespace loopback {
namespace {

void StartSockets() {
#ifdef _WIN32
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
#endif
}

bool Valid(Handle handle) {
#ifdef _WIN32
    return handle != INVALID_SOCKET;
#else
    return handle >= 0;
#endif
}

Handle ToHandle(std::intptr_t socket) {
    return static_cast<Handle>(socket);
}

}  // namespace

std::intptr_t Listen(int* port) {
    StartSockets();
    const Handle handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (!Valid(handle)) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    SocketLength length = sizeof address;
    if (::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(handle, 4) != 0 ||
        ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        Close(static_cast<std::intptr_t>(handle));
        return -1;
    }
    *port = ntohs(address.sin_port);
    return static_cast<std::intptr_t>(handle);
}

std::intptr_t AcceptWithin(std::intptr_t listener, int timeoutSeconds) {
    if (listener < 0) return -1;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(ToHandle(listener), &readable);
    timeval limit{timeoutSeconds, 0};
    if (::select(static_cast<int>(listener) + 1, &readable, nullptr, nullptr, &limit) <= 0) return -1;
    const Handle client = ::accept(ToHandle(listener), nullptr, nullptr);
    return Valid(client) ? static_cast<std::intptr_t>(client) : -1;
}

int Receive(std::intptr_t connection, char* buffer, int size) {
    return static_cast<int>(::recv(ToHandle(connection), buffer, size, 0));
}

int Send(std::intptr_t connection, const char* data, int size) {
    return static_cast<int>(::send(ToHandle(connection), data, size, 0));
}

void BoundReceives(std::intptr_t connection, int timeoutSeconds) {
#ifdef _WIN32
    DWORD ms = static_cast<DWORD>(timeoutSeconds) * 1000;
    setsockopt(ToHandle(connection), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
#else
    timeval limit{timeoutSeconds, 0};
    setsockopt(ToHandle(connection), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
#endif
}

void Close(std::intptr_t socket) {
#ifdef _WIN32
    closesocket(ToHandle(socket));
#else
    close(ToHandle(socket));
#endif
}

}  // namespace loopback
