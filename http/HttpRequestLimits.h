#pragma once
#include <cstdint>
#include <functional>

// What a caller allows the requests it makes through one holder: how long a body may be, how slowly
// its bytes may come, and whether to go on at all. The default allows what the client itself
// allows (HttpLimits.h) and watches nothing, so a caller that sets nothing sees no change.

// A request fails with kHttpTimeout when a window passes in which fewer than leastBytes arrived.
// The first window starts when the request has been sent; each later one when leastBytes have
// arrived since the start of the one before.
struct HttpStallLimit {
    uint32_t windowMilliseconds = 0;  // 0: no watch
    uint32_t leastBytes = 0;          // below 1 counts as 1: a window must bring something
};

struct HttpRequestLimits {
    // A body longer than this (announced, or once received) fails the request with
    // kHttpBodyTooLong and the length; 0: the client's own largest body, kHttpMaxBodyLength.
    uint32_t maxBodyLength = 0;
    HttpStallLimit stall;
    // Asked whenever a read has waited kHttpWatchWakeMilliseconds without data: false stops the
    // request with kHttpStopped. Empty: always go on.
    std::function<bool()> keepGoing;
};
