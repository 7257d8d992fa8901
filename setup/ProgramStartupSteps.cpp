#include "checks/StartupChecks.h"
#include "setup/PostInstallTools.h"
#include "setup/SetupApp.h"
#include "setup/win32/SetupDialogWindow.h"

namespace {

class RealStartupSteps final : public StartupSteps {
public:
    void RunStartupChecks() override { ::RunStartupChecks(); }
    void CheckAllPrereqs() override { ::CheckAllPrereqs(); }
    int ShowMainDialog() override { return RunSetupDialog(); }
    void LaunchInstalledApplication() override { ::LaunchInstalledApplication(); }
};

}  // namespace

StartupSteps& ProgramStartupSteps() {
    static RealStartupSteps& steps = *new RealStartupSteps;
    return steps;
}
