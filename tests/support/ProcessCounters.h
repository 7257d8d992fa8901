#pragma once
// The counters the dialog and the install worker share, as a test must find and leave them.
#include "core/ProcessState.h"

// Puts the counters back to their values at program start, on construction and on destruction: a
// member of a fixture, or a fixture of its own.
class ScopedProcessCounters {
public:
    ScopedProcessCounters() { Reset(); }
    ~ScopedProcessCounters() { Reset(); }
    static void Reset() {
        CancelRequested = 0;
        ProgressDisplayEnabled = 1;
        ProgressCounter = 0;
    }
};

// Cancel as the dialog presses it: the counter goes from 0 to 1, never higher.
inline void PressCancel() {
    std::int32_t idle = 0;
    CancelRequested.compare_exchange_strong(idle, 1);
}
