// The end of the process while the install worker still writes its last log lines. Start-up gives
// up waiting, returns, and the test program ends with the worker still running: every process-wide
// value the worker uses (the log, the paths, the server setting, the platform services) must still
// be there. The verdict is the clean end of this program, so it holds this one test only.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "core/SetupLog.h"
#include "core/DownloadServer.h"
#include "core/InstallPaths.h"
#include "setup/SetupApp.h"
#include "tests/support/TestThread.h"

namespace {

std::atomic<int> workerLines{0};
TestThread* theWorker = nullptr;  // held here, so a leak checker sees it as still in use

void WorkerToTheEnd() {
    PrepareInstallPaths();
    for (;;) {
        SetupLog::Write(L"Removing " + PackageFolder() + L" of " + BuildDownloadUrl(L"KORVOSkelv.msi"));
        ++workerLines;
    }
}

// Runs after the destructors of every static made after its registration: the worker must go on
// writing while the process ends.
void CheckTheWorkerOutlivesTheStatics() {
    const int before = workerLines.load();
    for (int i = 0; i < 2000 && workerLines.load() < before + 20; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (workerLines.load() < before + 20) {
        std::fprintf(stderr, "the worker stopped writing while the process ended\n");
        std::fflush(nullptr);  // _Exit flushes nothing
        std::_Exit(1);
    }
}

class StepsStartingAWorker final : public StartupSteps {
public:
    void RunStartupChecks() override {}
    void CheckAllPrereqs() override {}
    int ShowMainDialog() override {
        RegisterRunningWorker();
        theWorker = new TestThread(WorkerToTheEnd);  // never joined: it writes until the process ends
        return kRunInstalled;
    }
    void LaunchInstalledApplication() override {}
};

TEST(ProcessEnd, AWorkerStillWritingWhenStartUpReturnsOutlivesNothingItUses) {
    std::atexit(CheckTheWorkerOutlivesTheStatics);  // before start-up makes its process-wide values
    StepsStartingAWorker steps;
    SetupApp(steps, 1).InitInstance();
    const int atReturn = workerLines.load();
    for (int i = 0; i < 2000 && workerLines.load() < atReturn + 20; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(workerLines.load(), atReturn + 20) << "the worker goes on after start-up has returned";
    // The process now ends under the worker.
}

}  // namespace
