#include "http/HttpClock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

uint32_t HttpTickMilliseconds() {
#ifdef _WIN32
    // Every Windows the program runs on has it, unlike GetTickCount64.
    return GetTickCount();
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
#endif
}
