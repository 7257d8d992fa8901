#include "tests/http/integration/RawListener.h"

#include <cstdint>
#include <cstdlib>

#include "tests/support/LoopbackSocket.h"

namespace {

// A peer that never sends, or a client that never comes, does not hold a test for ever.
constexpr int kWaitSeconds = 10;

// Receives more bytes onto *buffer; false when the peer closed or the receive failed.
bool ReceiveMore(std::intptr_t s, std::string* buffer) {
    char piece[4096];
    int n = loopback::Receive(s, piece, sizeof piece);
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

}  // namespace

RawListener::RawListener() {
    listener_ = loopback::Listen(&port_);
}

RawListener::~RawListener() {
    if (thread_.joinable()) thread_.join();
    if (listener_ != -1) loopback::Close(listener_);
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
                if (connection != -1) loopback::Close(connection);
                pending.clear();
                connection = loopback::AcceptWithin(listener_, kWaitSeconds);
                if (connection == -1) break;
                loopback::BoundReceives(connection, kWaitSeconds);
            }
            request = ReadRequest(connection, &pending);
        }
        if (request.empty()) break;
        requests_.push_back(request);
        loopback::Send(connection, answer.data(), static_cast<int>(answer.size()));
    }
    if (connection != -1) loopback::Close(connection);
}
