#pragma once
#include "platform/ThreadStart.h"
#include "setup/InstallContext.h"
#include "setup/InstallStarter.h"

using InstallWorkerFunction = int (*)(InstallContext* context);
using ThreadStartFunction = bool (*)(platform::DetachedThreadEntry entry, void* argument);

// Allocates the worker's context for the window with an empty status text, registers the running
// worker (setup/RunningWorker.h) and runs `worker` on a thread of its own, which owns the context
// from then on. The program's worker is ThreadDownloadInstall, started by the platform.
class ThreadInstallStarter final : public InstallStarter {
public:
    ThreadInstallStarter(InstallWorkerFunction worker, ThreadStartFunction startThread)
        : worker_(worker), startThread_(startThread) {}
    bool Start(platform::WindowHandle window) override;

private:
    InstallWorkerFunction worker_;
    ThreadStartFunction startThread_;
};
