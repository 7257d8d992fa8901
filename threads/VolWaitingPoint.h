#pragma once
// The threading library's event: manual reset, set or pulsed by Broadcast, cleared by Reset.

#include "threads/VolApi.h"

class VOL_API VolWaitingPoint {
public:
    // pulse non-zero: Broadcast wakes only the threads waiting at that moment.
    // unsignalled 0: the point starts signalled.
    VolWaitingPoint(int pulse = 0, int unsignalled = -1);
    ~VolWaitingPoint();
    VolWaitingPoint(const VolWaitingPoint&) = delete;
    VolWaitingPoint& operator=(const VolWaitingPoint&) = delete;

    // milliseconds -1 (or any negative value): no limit, returns 0. Otherwise 0 when the wait ended
    // for any reason but the time-out, -1 on time-out; -1 at once when the point could not be made.
    int Wait(int milliseconds);
    void Broadcast();
    void Reset();

private:
    struct Record;
    Record* record_;
};
