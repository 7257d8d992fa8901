// A second setup refused in the logon session shares the running setup's log file. The log truncates
// on the first entry of a process only, so this program holds this one test: its first entry is the
// refused copy's.
#include <gtest/gtest.h>

#include "core/ProductConstants.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/SetupApp.h"

namespace {

class NoSteps final : public StartupSteps {
public:
    void RunStartupChecks() override {}
    void CheckAllPrereqs() override {}
    int ShowMainDialog() override { return kRunCancelled; }
    void LaunchInstalledApplication() override {}
};

TEST(SecondCopy, ARefusedSecondSetupKeepsTheRunningSetupsLog) {
    platform::fakes::ScopedFakeMachine machine;
    const std::wstring logPath = L"C:\\Temp\\KORVOSkelvInstall.log";
    const std::string runningSetupsLog = "12/08/26 - 10:00:00: Version 06-11-2009.20.00\r\n";
    machine.files.files[logPath] = runningSetupsLog;
    machine.mutexes.existing.insert(product::kSessionMutex);
    NoSteps steps;
    SetupApp(steps).InitInstance();
    EXPECT_EQ(machine.files.Contents(logPath).substr(0, runningSetupsLog.size()), runningSetupsLog);
}

}  // namespace
