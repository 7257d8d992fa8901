#include "http/TransferWatch.h"

#include <cstdint>

void TransferWatch::Start(uint32_t now) {
    windowStart_ = now;
    bytesInWindow_ = 0;
}

void TransferWatch::Arrived(uint32_t bytes, uint32_t now) {
    bytesInWindow_ = bytes > UINT32_MAX - bytesInWindow_ ? UINT32_MAX : bytesInWindow_ + bytes;
    if (bytesInWindow_ >= LeastBytes()) Start(now);
}

bool TransferWatch::TooSlow(uint32_t now) const {
    // A window that got its bytes has been replaced by a fresh one, so only a short one is left here.
    return Watching() && now - windowStart_ >= limits_.stall.windowMilliseconds;
}

int32_t TransferWatch::NextWaitMilliseconds(uint32_t now, uint32_t wakeMilliseconds) const {
    int64_t wait = -1;
    if (Watching()) {
        uint32_t elapsed = now - windowStart_;
        uint32_t window = limits_.stall.windowMilliseconds;
        wait = elapsed >= window ? 0 : window - elapsed;
    }
    if (limits_.keepGoing && (wait < 0 || wait > wakeMilliseconds)) wait = wakeMilliseconds;
    return wait > INT32_MAX ? INT32_MAX : static_cast<int32_t>(wait);
}
