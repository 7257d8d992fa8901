// Downloads one file the way the setup does: one holder, ranged GETs of 524288 bytes over one
// kept-alive connection, each body written to the output file and released before the next
// request. Prints the bytes, the seconds, the process's resident memory before and at its peak, the
// spread of the time per slice (each GetRange call and its write) and, natively, how the thread
// spent the wall time (see SchedulerTime.h).
//
//   http_download_tool URL OUTPUT_FILE
//
// The driver is the factory's choice: set HTTPDriver for the socket driver (Windows builds use
// WinINet otherwise).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/http/ResidentMemory.h"
#include "bench/http/SchedulerTime.h"
#include "bench/http/SliceTimes.h"
#include "http/HttpDriverHolder.h"

namespace {

constexpr uint32_t kSlice = 0x80000;
// A 4 GiB file needs 8192 slices; a slice of 0 bytes ends the run as a failure.
constexpr int kMostSlices = 8192;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL OUTPUT_FILE\n", argv[0]);
        return 2;
    }
    const char* url = argv[1];
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::perror(argv[2]);
        return 2;
    }
    HttpDriverHolder holder(nullptr, 1, 1);
    if (holder.Driver() == nullptr) return 3;
    const char driverType = holder.Driver()->GetDriverType();
    SliceTimes slices(kMostSlices + 1);
    const Memory baseline = ResidentMemory();
    const SchedulerTime schedulerStart = ThreadSchedulerTime();
    const auto start = std::chrono::steady_clock::now();
    slices.Mark(start);

    int64_t received = 0;
    int64_t total = -1;
    int status = 0;
    for (int slice = 0; slice < kMostSlices && (total < 0 || received < total); ++slice) {
        uint32_t count = kSlice;
        if (total >= 0 && total - received < count) count = static_cast<uint32_t>(total - received);
        char* body = nullptr;
        uint32_t length = 0;
        int32_t keepAlive = 0;
        int32_t result = holder.GetRange(url, 1, 0, static_cast<uint32_t>(received), count, &body, &length, &keepAlive);
        if (result != 0 || body == nullptr || length == 0) {
            std::fprintf(stderr, "slice at %lld failed: %d\n", static_cast<long long>(received),
                         static_cast<int>(result));
            HttpFree(body);
            status = 1;
            break;
        }
        if (std::fwrite(body, 1, length, out) != length) status = 1;
        HttpFree(body);
        received += length;
        if (total < 0) {
            char* value = nullptr;
            uint32_t valueLength = 0;
            if (holder.QueryInfo(&value, &valueLength, nullptr, 0xFFFF, "Content-Range:  ") == 0 && value != nullptr) {
                const char* slash = std::strchr(value, '/');
                total = slash != nullptr ? std::strtoll(slash + 1, nullptr, 10) : received;
            } else {
                total = received;  // a 200 answer carried the whole file
            }
            HttpFree(value);
        }
        slices.Mark();
    }
    std::fclose(out);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const SchedulerTime scheduler = SchedulerTimeBetween(schedulerStart, ThreadSchedulerTime());
    const Memory end = ResidentMemory();
    holder.Release();
    std::printf(
        "driver=%c bytes=%lld seconds=%.3f MiB_per_s=%.1f baseline_rss_MiB=%.2f peak_rss_MiB=%.2f "
        "growth_MiB=%.2f on_cpu_s=%.3f run_queue_s=%.3f voluntary_switches=%ld involuntary_switches=%ld ",
        driverType, static_cast<long long>(received), seconds,
        seconds > 0 ? static_cast<double>(received) / (1024.0 * 1024.0) / seconds : 0.0, baseline.currentMiB,
        end.peakMiB, end.peakMiB - baseline.currentMiB, scheduler.onCpuSeconds, scheduler.runQueueSeconds,
        scheduler.voluntarySwitches, scheduler.involuntarySwitches);
    slices.Print(stdout);
    std::printf("\n");
    return status;
}
