// A probe for the download benchmarks (Linux only), loaded into a tool with LD_PRELOAD: it times,
// for every request the tool sends, how long the tool waited between the end of its send() and
// the first recv() that brought bytes back (the round trip in which nothing arrives), and how long
// the tool spent inside recv() altogether. At exit it prints one line on stderr:
//
//   first_byte: requests=N wait_s=... wait_ms_mean=... wait_ms_median=... wait_ms_p90=...
//               wait_ms_max=... recv_calls=N recv_s=...
//
//   LD_PRELOAD=build/bench-http-native/bench/http/libfirst_byte_probe.so TOOL ARGS...
//
// It counts every socket of the process as one stream, which holds for the download tools: one
// connection, one thread, one request in flight at a time.
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;
using SendFunction = ssize_t (*)(int, const void*, size_t, int);
using RecvFunction = ssize_t (*)(int, void*, size_t, int);

// Waits kept for the spread: 8192 slices are a 4 GiB download. Later ones count in the sum only.
constexpr int kMaxWaits = 8192;

struct Probe {
    Clock::time_point sentAt;
    bool awaitingAnswer = false;
    long requests = 0;
    double waitSeconds = 0;
    double waits[kMaxWaits] = {};
    long recvCalls = 0;
    double recvSeconds = 0;
};

Probe probe;

double SecondsSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double>(end - start).count();
}

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

__attribute__((destructor)) void PrintProbe() {
    const int kept = static_cast<int>(std::min<long>(probe.requests, kMaxWaits));
    std::sort(probe.waits, probe.waits + kept);
    auto at = [&](double fraction) {
        return kept == 0 ? 0.0 : probe.waits[static_cast<int>(fraction * (kept - 1))] * 1e3;
    };
    std::fprintf(stderr,
                 "first_byte: requests=%ld wait_s=%.3f wait_ms_mean=%.3f wait_ms_median=%.3f wait_ms_p90=%.3f "
                 "wait_ms_max=%.3f recv_calls=%ld recv_s=%.3f\n",
                 probe.requests, probe.waitSeconds,
                 probe.requests > 0 ? probe.waitSeconds * 1e3 / static_cast<double>(probe.requests) : 0.0, at(0.5),
                 at(0.9), kept > 0 ? probe.waits[kept - 1] * 1e3 : 0.0, probe.recvCalls, probe.recvSeconds);
}

}  // namespace

extern "C" ssize_t send(int socket, const void* data, size_t length, int flags) {
    static const SendFunction realSend = Next<SendFunction>("send");
    ssize_t sent = realSend(socket, data, length, flags);
    if (sent > 0) {
        probe.sentAt = Clock::now();
        probe.awaitingAnswer = true;
    }
    return sent;
}

extern "C" ssize_t recv(int socket, void* buffer, size_t capacity, int flags) {
    static const RecvFunction realRecv = Next<RecvFunction>("recv");
    const Clock::time_point start = Clock::now();
    ssize_t received = realRecv(socket, buffer, capacity, flags);
    const Clock::time_point end = Clock::now();
    ++probe.recvCalls;
    probe.recvSeconds += SecondsSince(start, end);
    if (received > 0 && probe.awaitingAnswer) {
        const double wait = SecondsSince(probe.sentAt, end);
        if (probe.requests < kMaxWaits) probe.waits[probe.requests] = wait;
        ++probe.requests;
        probe.waitSeconds += wait;
        probe.awaitingAnswer = false;
    }
    return received;
}
