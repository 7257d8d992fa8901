#include "checks/StartupChecks.h"
#include "setup/PostInstallTools.h"
#include "setup/SetupApp.h"

namespace {

class RealStartupSteps final : public StartupSteps {
public:
    void RunStartupChecks() override { ::RunStartupChecks(); }
    void CheckAllPrereqs() override { ::CheckAllPrereqs(); }
    // The licence dialog plugs in here; until then the run ends as if the user had cancelled.
    int ShowMainDialog() override { return kCancelled; }
    void LaunchInstalledApplication() override { ::LaunchInstalledApplication(); }
};

}  // namespace

StartupSteps& ProgramStartupSteps() {
    static RealStartupSteps& steps = *new RealStartupSteps;
    return steps;
}
