#pragma once
#include <cstdint>
#include <functional>

#include "platform/ChildProcesses.h"

// How watching a child ended: its exit code, or the system error of the read that failed.
struct WatchOutcome {
    bool read;
    std::uint32_t exitCode;
    std::uint32_t error;
};

// Polls a child until it has ended: each pass reads its exit code, runs `beforeWait`, waits at most
// `waitMilliseconds` and runs `afterWait`; passes go on while the code read was 259 (still active),
// so one more pass follows the child's end. A child whose real exit code is 259 is known to have
// ended by the wait's answer: the pass after that answer is the last one as well.
WatchOutcome WatchChild(platform::ChildProcess& child, std::uint32_t waitMilliseconds,
                        const std::function<void()>& beforeWait, const std::function<void()>& afterWait);

// The same watch for a watcher that may stop the child itself: when `goOn` (run where `beforeWait`
// runs) answers false, the watch ends at once, with no further wait or read, and its outcome is
// the code of the read just made (259 for a child still running).
WatchOutcome WatchChildUnlessStopped(platform::ChildProcess& child, std::uint32_t waitMilliseconds,
                                     const std::function<bool()>& goOn, const std::function<void()>& afterWait);
