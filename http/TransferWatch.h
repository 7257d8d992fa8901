#pragma once
#include <cstdint>
#include <utility>

#include "http/HttpRequestLimits.h"

// Watches the bytes of one request arrive against the caller's limits (HttpRequestLimits). It
// reads no clock itself: the driver's read loop passes "now" (HttpTickMilliseconds) and asks, after
// each wait, whether the request is too slow, whether the caller wants it stopped, and how long the
// next wait may be.
class TransferWatch {
public:
    TransferWatch() = default;
    explicit TransferWatch(HttpRequestLimits limits) : limits_(std::move(limits)) {}

    // A stall window or a keep-going question is set: the read loop must wait through the watch.
    bool Active() const { return Watching() || static_cast<bool>(limits_.keepGoing); }
    bool Watching() const { return limits_.stall.windowMilliseconds != 0; }

    // The request has been sent: the first window starts.
    void Start(uint32_t now);
    void Arrived(uint32_t bytes, uint32_t now);
    // A window passed with fewer than the least bytes.
    bool TooSlow(uint32_t now) const;
    // The caller's keep-going question answered no.
    bool StopRequested() const { return limits_.keepGoing && !limits_.keepGoing(); }
    // How long the next wait for data may last: what is left of the window, and with a keep-going
    // question at most wakeMilliseconds; -1: no limit.
    int32_t NextWaitMilliseconds(uint32_t now, uint32_t wakeMilliseconds) const;

private:
    uint32_t LeastBytes() const { return limits_.stall.leastBytes > 0 ? limits_.stall.leastBytes : 1; }

    HttpRequestLimits limits_;
    uint32_t windowStart_ = 0;
    uint32_t bytesInWindow_ = 0;
};
