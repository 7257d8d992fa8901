#pragma once
#include <cstdint>
#include <vector>

#include "http/HttpLimits.h"
#include "http/HttpStream.h"
#include "http/TransferWatch.h"
#include "http/socket/os/SocketApi.h"

// HttpStream over one TCP connection. Received bytes pass through a small read-ahead buffer so that
// header lines are not read one system call per byte; large reads go straight to the caller.
class HttpSocket : public HttpStream {
public:
    HttpSocket() = default;
    ~HttpSocket() override;

    int32_t Send(const char* data, uint32_t length) override;
    int32_t ReceiveFill(char* buffer, uint32_t capacity, uint32_t* count) override;
    int32_t ReceiveLine(char* buffer, uint32_t capacity, uint32_t* count) override;
    int32_t Close() override;
    // 0 when data or the end of the stream is pending, kHttpTimeout, or kHttpEFail.
    int32_t WaitReadable(int32_t milliseconds) override;

    // Connects to host:port, or to proxyHost:proxyPort when a proxy host is given; the stream's
    // host name is the server's either way.
    int32_t Connect(const char* host, uint16_t port, const char* proxyHost, uint16_t proxyPort, int32_t unused = 0);

    // Applies to connections made after the call; 0 means no limit.
    void SetReceiveTimeoutMs(int32_t milliseconds) { receiveTimeoutMs_ = milliseconds; }
    // True when a receive since the last Send failed because the receive time-out ran out: the
    // time-out belongs to the request that was sent, not to the connection's life.
    bool TimedOut() const { return timedOut_; }
    // Bytes that arrived since the last Send: 0 after a failed read means the peer answered nothing.
    uint64_t ReceivedSinceSend() const { return receivedSinceSend_; }

    // The caller's limits for the answers to requests sent from now on: every receive waits
    // through the watch, which starts at each Send. A request that is too slow fails its read as
    // TimedOut; one the caller stops fails it as Stopped.
    void SetRequestLimits(const HttpRequestLimits& limits) { watch_ = TransferWatch(limits); }
    bool Stopped() const { return stopped_; }

private:
    int32_t ReceiveSome(char* buffer, uint32_t capacity);  // one recv, through the read-ahead buffer
    int32_t RefillReadAhead();
    // One recv, after the watch has seen bytes waiting; -1 when the watch ends the request.
    int32_t ReceiveWatched(char* buffer, uint32_t capacity);
    bool AwaitData();

    http::os::SocketHandle socket_ = 0;
    int32_t receiveTimeoutMs_ = kHttpSocketReceiveTimeoutMs;
    bool timedOut_ = false;
    bool stopped_ = false;
    TransferWatch watch_;
    uint64_t receivedSinceSend_ = 0;
    std::vector<char> readAhead_ = std::vector<char>(kHttpReadAheadSize);
    uint32_t aheadStart_ = 0;
    uint32_t aheadEnd_ = 0;
};
