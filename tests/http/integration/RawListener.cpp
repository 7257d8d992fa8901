#include "tests/http/integration/RawListener.h"

#include <cstdint>
#include <cstdlib>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketLength = int;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
using SocketLength = socklen_t;
#endif

namespace {

#ifdef _WIN32
using Handle = SOCKET;
void CloseHandle(std::intptr_t s) {
    closesocket(static_cast<SOCKET>(s));
}
#else
using Handle = int;
void CloseHandle(std::intptr_t s) {
    close(static_cast<int>(s));
}
#endif

// A peer that never sends does not hold a test for ever.
constexpr int kReceiveTimeoutMs = 10000;

void BoundReceives(std::intptr_t s) {
#ifdef _WIN32
    DWORD ms = kReceiveTimeoutMs;
    setsockopt(static_cast<Handle>(s), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
#else
    timeval tv{kReceiveTimeoutMs / 1000, 0};
    setsockopt(static_cast<Handle>(s), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
#endif
}

// Receives more bytes onto *buffer; false when the peer closed or the receive failed.
bool ReceiveMore(std::intptr_t s, std::string* buffer) {
    char piece[4096];
    int n = static_cast<int>(recv(static_cast<Handle>(s), piece, sizeof piece, 0));
    if (n <= 0) return false;
    buffer->append(piece, static_cast<size_t>(n));
    return true;
}

// One whole request (header block, then a body by its length or its chunks) from the front of
// *pending, receiving as needed. Empty when the connection ended first.
std::string ReadRequest(std::intptr_t s, std::string* pending) {
    size_t end;
    while ((end = pending->find("\r\n\r\n")) == std::string::npos)
        if (!ReceiveMore(s, pending)) return {};
    size_t size = end + 4;
    std::string head = pending->substr(0, size);
    size_t length = head.find("\r\nContent-Length: ");
    if (length != std::string::npos) {
        size += static_cast<size_t>(std::strtoul(head.c_str() + length + 18, nullptr, 10));
        while (pending->size() < size)
            if (!ReceiveMore(s, pending)) return {};
    } else if (head.find("\r\nTransfer-Encoding: chunked\r\n") != std::string::npos) {
        while ((end = pending->find("\r\n0\r\n\r\n", size - 2)) == std::string::npos)
            if (!ReceiveMore(s, pending)) return {};
        size = end + 7;
    }
    std::string request = pending->substr(0, size);
    pending->erase(0, size);
    return request;
}

// Waits for a client to connect; -1 when none comes in time.
std::intptr_t AcceptOne(std::intptr_t listener) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<Handle>(listener), &readable);
    timeval wait{kReceiveTimeoutMs / 1000, 0};
    if (select(static_cast<int>(listener) + 1, &readable, nullptr, nullptr, &wait) != 1) return -1;
    return static_cast<std::intptr_t>(accept(static_cast<Handle>(listener), nullptr, nullptr));
}

}  // namespace

RawListener::RawListener() {
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    Handle s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(s, 4);
    SocketLength size = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    listener_ = static_cast<std::intptr_t>(s);
}

RawListener::~RawListener() {
    if (thread_.joinable()) thread_.join();
    CloseHandle(listener_);
}

void RawListener::Serve(std::vector<std::string> answers) {
    thread_ = TestThread([this, answers = std::move(answers)]() mutable { Run(std::move(answers)); });
}

std::vector<std::string> RawListener::Requests() {
    if (thread_.joinable()) thread_.join();
    return requests_;
}

void RawListener::Run(std::vector<std::string> answers) {
    std::intptr_t connection = -1;
    std::string pending;
    for (const std::string& answer : answers) {
        std::string request;
        // A client that dropped its connection comes back on a new one.
        for (int attempt = 0; attempt < 2 && request.empty(); ++attempt) {
            if (connection == -1 || attempt > 0) {
                if (connection != -1) CloseHandle(connection);
                pending.clear();
                connection = AcceptOne(listener_);
                if (connection == -1) break;
                BoundReceives(connection);
            }
            request = ReadRequest(connection, &pending);
        }
        if (request.empty()) break;
        requests_.push_back(request);
        send(static_cast<Handle>(connection), answer.data(), static_cast<int>(answer.size()), 0);
    }
    if (connection != -1) CloseHandle(connection);
}
