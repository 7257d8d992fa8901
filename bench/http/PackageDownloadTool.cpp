// Runs the setup's package download step itself (DownloadPrereqs: slices, progress posts, cancel
// checks and file writes) on one file of a local server, and prints its throughput, the process's
// resident memory before and at its peak, the spread of the time per slice (between consecutive
// progress posts, which the step sends after every slice) and, natively, how the thread spent the
// wall time (see SchedulerTime.h).
//
//   package_download_tool SERVER FILE_NAME
//
// SERVER is host:port; the file comes from the download path under it and goes to the package
// folder in the temporary folder, which is removed afterwards. The driver is the factory's choice
// (HTTPDriver set: the socket driver).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

#include "bench/http/ResidentMemory.h"
#include "bench/http/SchedulerTime.h"
#include "bench/http/SliceTimes.h"
#include "core/InstallPaths.h"
#include "core/ProcessSettings.h"
#include "platform/Services.h"
#include "platform/Text.h"
#include "setup/PackageDownload.h"
#include "setup/WorkerMessages.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// Room for the progress posts of a 4 GiB download (8192 slices).
constexpr std::size_t kMostProgressPosts = 8192 + 2;

// Counts the posts instead of sending them to a window, and marks the time of each progress post.
class CountingWindow final : public platform::WindowMessages {
public:
    bool Post(platform::WindowHandle, std::uint32_t message, std::uintptr_t, std::intptr_t) override {
        if (message == worker_message::kInstallProgress) slices.Mark();
        ++posted;
        return true;
    }
    std::atomic<long> posted{0};
    // The first progress post follows the first slice, one more follows every later slice, and the
    // last one (the whole file is on disk) ends no slice.
    SliceTimes slices{kMostProgressPosts};
};

void RemoveFile(const std::wstring& path) {
#ifdef _WIN32
    DeleteFileW(path.c_str());
    RemoveDirectoryW(PackageFolder().c_str());
#else
    ::unlink(platform::ToUtf8(path).c_str());
    ::rmdir(platform::ToUtf8(PackageFolder()).c_str());
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SERVER FILE_NAME\n", argv[0]);
        return 2;
    }
    CountingWindow window;
    platform::Services services = platform::RealServices();
    services.windows = &window;
    platform::ScopedServices scope(services);
    ProcessSettings settings = CurrentProcessSettings();
    settings.downloadServer = platform::FromUtf8(argv[1]);
    ScopedProcessSettings scopedSettings(settings);
    PrepareInstallPaths();
    const std::wstring fileName = platform::FromUtf8(argv[2]);
    InstallContext context{reinterpret_cast<platform::WindowHandle>(1), L""};

    const Memory baseline = ResidentMemory();
    const SchedulerTime schedulerStart = ThreadSchedulerTime();
    const auto start = std::chrono::steady_clock::now();
    int result = DownloadPrereqs(L"Downloading", fileName, fileName, &context);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const SchedulerTime scheduler = SchedulerTimeBetween(schedulerStart, ThreadSchedulerTime());
    const Memory end = ResidentMemory();
    window.slices.DropLast();

    const std::wstring path = PackageFolder() + fileName;
    long long bytes = 0;
    if (std::FILE* file = std::fopen(platform::ToUtf8(path).c_str(), "rb")) {
        std::fseek(file, 0, SEEK_END);
        bytes = std::ftell(file);
        std::fclose(file);
    }
    RemoveFile(path);
    std::printf(
        "result=%d bytes=%lld posts=%ld seconds=%.3f MiB_per_s=%.1f baseline_rss_MiB=%.2f peak_rss_MiB=%.2f "
        "growth_MiB=%.2f on_cpu_s=%.3f run_queue_s=%.3f voluntary_switches=%ld involuntary_switches=%ld ",
        result, bytes, window.posted.load(), seconds,
        seconds > 0 ? static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds : 0.0, baseline.currentMiB, end.peakMiB,
        end.peakMiB - baseline.currentMiB, scheduler.onCpuSeconds, scheduler.runQueueSeconds,
        scheduler.voluntarySwitches, scheduler.involuntarySwitches);
    window.slices.Print(stdout);
    std::printf("\n");
    return result == 0 ? 0 : 1;
}
