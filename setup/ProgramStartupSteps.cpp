#include "checks/StartupChecks.h"
#include "platform/ThreadStart.h"
#include "setup/InstallWorker.h"
#include "setup/ApplicationLaunch.h"
#include "setup/SetupApp.h"
#include "setup/ThreadInstallStarter.h"
#include "setup/win32/SetupDialogWindow.h"

namespace {

class RealStartupSteps final : public StartupSteps {
public:
    void RunStartupChecks() override { ::RunStartupChecks(); }
    void CheckAllPrereqs() override { ::CheckAllPrereqs(); }
    // Install starts the real worker on a thread of its own.
    int ShowMainDialog() override {
        static ThreadInstallStarter starter(&ThreadDownloadInstall, &platform::StartDetachedThread);
        return RunSetupDialog(starter);
    }
    void LaunchInstalledApplication() override { ::LaunchInstalledApplication(); }
};

}  // namespace

StartupSteps& ProgramStartupSteps() {
    static RealStartupSteps& steps = *new RealStartupSteps;
    return steps;
}
