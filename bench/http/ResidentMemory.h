#pragma once
// The process's resident memory now and at its peak, for the download benchmarks' tools.
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <fstream>
#endif

struct Memory {
    double currentMiB = 0;
    double peakMiB = 0;
};

inline Memory ResidentMemory() {
    Memory memory;
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        memory.currentMiB = static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
        memory.peakMiB = static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    }
#else
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        double kib = 0;
        if (key == "VmRSS:" && status >> kib) memory.currentMiB = kib / 1024.0;
        if (key == "VmHWM:" && status >> kib) memory.peakMiB = kib / 1024.0;
    }
#endif
    return memory;
}
