#include "setup/ThreadInstallStarter.h"

#include <memory>
#include <new>

#include "setup/RunningWorker.h"

namespace {

struct WorkerLaunch {
    InstallWorkerFunction worker;
    InstallContext* context;
};

void RunWorker(void* argument) {
    std::unique_ptr<WorkerLaunch> launch(static_cast<WorkerLaunch*>(argument));
    launch->worker(launch->context);
}

}  // namespace

bool ThreadInstallStarter::Start(platform::WindowHandle window) {
    std::unique_ptr<InstallContext> context(new (std::nothrow) InstallContext{window, std::wstring()});
    if (!context) return false;
    std::unique_ptr<WorkerLaunch> launch(new (std::nothrow) WorkerLaunch{worker_, context.get()});
    if (!launch) return false;
    // Registered before the thread exists, so start-up cannot miss a worker that has just begun.
    RegisterRunningWorker();
    if (!startThread_(&RunWorker, launch.get())) {
        UnregisterRunningWorker();
        return false;
    }
    // The thread owns both now.
    launch.release();
    context.release();
    return true;
}
