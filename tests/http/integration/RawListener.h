#pragma once
// A bare listening TCP socket on 127.0.0.1 that records the bytes a client sends, request by
// request, and answers each with a canned answer: what the socket driver puts on the wire, seen
// without any server or proxy in between.
#include <string>
#include "tests/support/TestThread.h"
#include <vector>

class RawListener {
public:
    RawListener();  // binds 127.0.0.1 on a free port and listens
    ~RawListener();
    RawListener(const RawListener&) = delete;
    RawListener& operator=(const RawListener&) = delete;

    int Port() const { return port_; }
    // Serves one request per answer, in order, on whatever connections the client opens.
    void Serve(std::vector<std::string> answers);
    // Waits for the serving to end and returns each request's bytes as received.
    std::vector<std::string> Requests();

private:
    void Run(std::vector<std::string> answers);

    std::intptr_t listener_ = -1;
    int port_ = 0;
    TestThread thread_;
    std::vector<std::string> requests_;
};
