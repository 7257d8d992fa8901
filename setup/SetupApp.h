#pragma once
#include <string>

#include "setup/RunningWorker.h"
#include "setup/SetupOutcomes.h"

// The steps start-up hands over to other parts of the setup. The program uses the real ones
// (ProgramStartupSteps); tests substitute their own to observe the order and steer the outcome.
class StartupSteps {
public:
    virtual ~StartupSteps() = default;
    virtual void RunStartupChecks() = 0;
    virtual void CheckAllPrereqs() = 0;
    // Shows the main dialog modally; returns a RunResult.
    virtual int ShowMainDialog() = 0;
    virtual void LaunchInstalledApplication() = 0;
};

StartupSteps& ProgramStartupSteps();

// The whole life of the setup process: checks, single-instance guard, the dialog, the launch.
class SetupApp {
public:
    explicit SetupApp(StartupSteps& steps = ProgramStartupSteps(),
                      int workerWaitMilliseconds = kWorkerEndWaitMilliseconds)
        : steps_(steps), workerWaitMilliseconds_(workerWaitMilliseconds) {}
    // Always false: no message loop is to run after it.
    bool InitInstance();
    // After InitInstance: kExitRefused when the setup ended before its dialog, otherwise what the
    // dialog ended with (a dialog closed without a run counts as cancelled).
    int ExitCode() const { return exitCode_; }

private:
    // Shows `text` in a message box with the setup's caption and no owner window.
    void Tell(const std::wstring& text, bool warning) const;

    StartupSteps& steps_;
    int workerWaitMilliseconds_;
    std::wstring caption_;
    int exitCode_ = kExitRefused;
};
