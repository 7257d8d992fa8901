#include "http/socket/os/SocketApi.h"

#include <cstring>

#ifdef _WIN32
#include "http/socket/os/WinsockFunctions.h"
#else
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace http::os {

#ifdef _WIN32
namespace {
SOCKET Native(SocketHandle socket) {
    return static_cast<SOCKET>(socket);
}
}  // namespace

// Every other call comes after a successful start, so the functions are there.
bool StartSockets() {
    if (!Winsock().loaded) return false;
    WSADATA data;
    return Winsock().WSAStartup(MAKEWORD(2, 0), &data) == 0;
}

void ClearSocketError() {
    Winsock().WSASetLastError(0);
}

bool LastReceiveTimedOut() {
    return Winsock().WSAGetLastError() == WSAETIMEDOUT;
}

SocketHandle OpenTcpSocket() {
    SOCKET s = Winsock().socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return 0;
    BOOL noDelay = TRUE;
    Winsock().setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    return static_cast<SocketHandle>(s);
}

void SetReceiveTimeout(SocketHandle socket, int milliseconds) {
    DWORD value = static_cast<DWORD>(milliseconds);
    Winsock().setsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
}

int SendBytes(SocketHandle socket, const char* data, int length) {
    return Winsock().send(Native(socket), data, length, 0);
}

int ReceiveBytes(SocketHandle socket, char* buffer, int capacity) {
    return Winsock().recv(Native(socket), buffer, capacity, 0);
}

int CloseSocket(SocketHandle socket) {
    return Winsock().closesocket(Native(socket));
}

static bool Interrupted() {
    return Winsock().WSAGetLastError() == WSAEINTR;
}

static int Select(fd_set* readable, timeval* limit) {
    return Winsock().select(0, readable, nullptr, nullptr, limit);
}

static hostent* HostByName(const char* host) {
    return Winsock().gethostbyname(host);
}

static int ConnectTo(SocketHandle socket, const sockaddr_in& address) {
    return Winsock().connect(Native(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

#else
namespace {
int Native(SocketHandle socket) {
    return static_cast<int>(socket);
}
}  // namespace

bool StartSockets() {
    return true;
}

void ClearSocketError() {
    errno = 0;
}

bool LastReceiveTimedOut() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

SocketHandle OpenTcpSocket() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return 0;
    if (s == 0) {  // 0 means "no socket" to the driver: keep the descriptor out of that slot
        int moved = ::dup(s);
        ::close(s);
        if (moved < 0) return 0;
        s = moved;
    }
    int noDelay = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    return s;
}

void SetReceiveTimeout(SocketHandle socket, int milliseconds) {
    timeval value{};
    value.tv_sec = milliseconds / 1000;
    value.tv_usec = (milliseconds % 1000) * 1000;
    setsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
}

int SendBytes(SocketHandle socket, const char* data, int length) {
    // A peer that closed must give an error, not a signal that ends the process.
    return static_cast<int>(::send(Native(socket), data, static_cast<size_t>(length), MSG_NOSIGNAL));
}

int ReceiveBytes(SocketHandle socket, char* buffer, int capacity) {
    ssize_t got;
    do {
        got = ::recv(Native(socket), buffer, static_cast<size_t>(capacity), 0);
    } while (got < 0 && errno == EINTR);
    return static_cast<int>(got);
}

int CloseSocket(SocketHandle socket) {
    return ::close(Native(socket));
}

static bool Interrupted() {
    return errno == EINTR;
}

static int ConnectTo(SocketHandle socket, const sockaddr_in& address) {
    return ::connect(Native(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address);
}
#endif

// Network byte order is big-endian; written out so that Windows needs no Winsock call for it.
static std::uint16_t NetworkOrder(std::uint16_t port) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port & 0xFF)};
    std::uint16_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

bool ResolveHost(const char* host, std::uint32_t* addressNetOrder) {
#ifdef _WIN32
    // Windows 2000's Winsock has no getaddrinfo. gethostbyname's answer lives in storage of the
    // calling thread, so holders on other threads do not overwrite it.
    const hostent* entry = HostByName(host);
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list[0] == nullptr) return false;
    std::memcpy(addressNetOrder, entry->h_addr_list[0], sizeof *addressNetOrder);
    return true;
#else
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
    *addressNetOrder = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
#endif
}

bool ConnectSocket(SocketHandle socket, std::uint32_t addressNetOrder, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = NetworkOrder(port);
    address.sin_addr.s_addr = addressNetOrder;
    return ConnectTo(socket, address) == 0;
}

WaitResult WaitReadable(SocketHandle socket, int milliseconds) {
    for (;;) {
#ifdef _WIN32
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(Native(socket), &readable);
        timeval limit{};
        limit.tv_sec = milliseconds / 1000;
        limit.tv_usec = (milliseconds % 1000) * 1000;
        int ready = Select(&readable, milliseconds < 0 ? nullptr : &limit);
#else
        // poll, not select: a descriptor number above FD_SETSIZE must not write past an fd_set.
        pollfd entry{};
        entry.fd = Native(socket);
        entry.events = POLLIN;
        int ready = ::poll(&entry, 1, milliseconds < 0 ? -1 : milliseconds);
#endif
        if (ready > 0) return WaitResult::Ready;
        if (ready == 0) return WaitResult::TimedOut;
        if (!Interrupted()) return WaitResult::Failed;
    }
}

}  // namespace http::os
