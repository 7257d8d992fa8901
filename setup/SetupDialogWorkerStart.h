#pragma once
#include "platform/ThreadStart.h"
#include "setup/InstallContext.h"

// How the dialog starts the install worker when the user presses Install. Tests substitute a
// starter that fails or records.
class InstallStarter {
public:
    virtual ~InstallStarter() = default;
    // Starts the worker, which posts its messages to `window`. False when it could not start:
    // then nothing runs, nothing is left allocated and no worker is registered.
    virtual bool Start(platform::WindowHandle window) = 0;
};

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
