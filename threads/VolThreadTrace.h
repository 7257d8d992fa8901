#pragma once
// The threading library's trace: one text line per event of its objects, to standard output,
// standard error or a TCP collector, chosen once per process from the environment
// ("VolThrDebug", "VolThrDebug_Host", "VolSocketDebug").

#include "threads/VolApi.h"

#include <cinttypes>
#include <cstdint>

// -1 while the trace is on, else 0. Set once, by the first initialisation.
extern VOL_API int VolThrTraceFlag;

inline bool VolThrTraceIsOn() {
    return VolThrTraceFlag != 0;
}

// Bounds of one event text and of one whole line, terminating zero included; longer ones are cut.
constexpr int kVolTraceEventMax = 1000;
constexpr int kVolTraceLineMax = 1500;

// Reads the settings if that has not happened yet; 1 when the trace is on, else 0.
VOL_API int InitThreadTrace();
// Formats the event and writes its line when the trace is on. Used for every "evt=" line.
VOL_API void TraceIfEnabled(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Formats the event and writes its line whenever an output is open, trace on or off.
VOL_API void TraceAlways(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// The common writer: "| tid=<id> | emt=0x<thread object> | <event>" to the open output.
VOL_API void EmitTraceLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// 0 connected, 1 a step failed (reported on standard error), -1 no memory for the connection record.
VOL_API int ConnectTraceSocket(const char* host, int port);
// Sends text and its terminating zero byte, completing partial sends; 0 when all was sent, -1 when
// the connection failed.
VOL_API int SendTraceLine(const char* text, std::intptr_t socket);

// Object addresses in event lines, in hexadecimal after "0x".
#define VOL_TRACE_ADDR "%" PRIxPTR
#define VOL_TRACE_PTR(p) static_cast<std::uintptr_t>(reinterpret_cast<std::uintptr_t>(p))
