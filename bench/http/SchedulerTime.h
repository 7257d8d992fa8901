#pragma once
// How the calling thread spent its time, for the download benchmarks' tools: on a processor, and
// ready but waiting for one (Linux's per-thread scheduler statistics), and how often it gave the
// processor up (waiting for data) or had it taken away. What is left of the wall time is time
// asleep, waiting for the peer. Windows builds report nothing (every field -1).
#ifndef _WIN32
#include <sys/resource.h>

#include <fstream>
#endif

struct SchedulerTime {
    double onCpuSeconds = -1;
    double runQueueSeconds = -1;
    long voluntarySwitches = -1;
    long involuntarySwitches = -1;
};

inline SchedulerTime ThreadSchedulerTime() {
    SchedulerTime time;
#ifndef _WIN32
    // "/proc/thread-self/schedstat": nanoseconds on a processor, nanoseconds waiting on a run queue,
    // number of time slices.
    std::ifstream stats("/proc/thread-self/schedstat");
    double onCpuNs = 0;
    double waitingNs = 0;
    if (stats >> onCpuNs >> waitingNs) {
        time.onCpuSeconds = onCpuNs / 1e9;
        time.runQueueSeconds = waitingNs / 1e9;
    }
    rusage usage{};
    if (getrusage(RUSAGE_THREAD, &usage) == 0) {
        time.voluntarySwitches = usage.ru_nvcsw;
        time.involuntarySwitches = usage.ru_nivcsw;
    }
#endif
    return time;
}

// The figures of `end` minus those of `start`; -1 where either is unknown.
inline SchedulerTime SchedulerTimeBetween(const SchedulerTime& start, const SchedulerTime& end) {
    auto minus = [](auto a, auto b) { return a < 0 || b < 0 ? decltype(a - b)(-1) : a - b; };
    return SchedulerTime{minus(end.onCpuSeconds, start.onCpuSeconds), minus(end.runQueueSeconds, start.runQueueSeconds),
                         minus(end.voluntarySwitches, start.voluntarySwitches),
                         minus(end.involuntarySwitches, start.involuntarySwitches)};
}
