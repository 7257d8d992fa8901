#pragma once
// A trace collector for tests: listens on 127.0.0.1 at a free port and records what one client sends.

#include <string>

class LoopbackCollector {
public:
    LoopbackCollector();
    ~LoopbackCollector();
    LoopbackCollector(const LoopbackCollector&) = delete;
    LoopbackCollector& operator=(const LoopbackCollector&) = delete;

    bool Listening() const { return listener_ >= 0; }
    int Port() const { return port_; }
    // Accepts one client (waiting at most timeoutSeconds) and reads until it closes the connection.
    std::string ReceiveAll(int timeoutSeconds);
    // Accepts one client and closes the connection at once; false when nobody came in time.
    bool AcceptAndClose(int timeoutSeconds);

    // A port on which nothing listens (it was free a moment ago).
    static int FreePort();

private:
    long long Accept(int timeoutSeconds);

    long long listener_ = -1;
    int port_ = 0;
};
