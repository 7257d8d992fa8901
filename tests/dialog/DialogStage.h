#pragma once
// The dialog on a fake machine and a fake window staged as the dialog template creates it, with a
// worker start that records the window it was given and succeeds or fails as told.
#include <gtest/gtest.h>

#include "checks/StartupCheckResults.h"
#include "core/ProcessSettings.h"
#include "core/ProcessState.h"
#include "core/SetupLog.h"
#include "platform/fakes/FakeDialogHost.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/SetupDialog.h"
#include "setup/SetupDialogControls.h"

class RecordingStarter final : public InstallStarter {
public:
    bool Start(platform::WindowHandle window) override {
        windows.push_back(window);
        return succeeds;
    }
    bool succeeds = true;
    std::vector<platform::WindowHandle> windows;
};

// The template's controls: shown or hidden, enabled or not.
inline void StageTemplate(platform::fakes::FakeDialogHost& host) {
    using namespace dialog_control;
    const struct {
        int id;
        const wchar_t* text;
        bool shown;
        bool enabled;
    } controls[] = {
        {kAcceptCheckBox, L"CheckKORVO", true, true},
        {kEulaLink, L"Read Eula", true, true},
        {kInstallButton, L"Install", true, false},
        {kEndMessage, L"", false, true},
        {kProgressBar, L"", false, true},
        {kCancelButton, L"Cancel", true, true},
        {kStatusText, L"Accept", true, true},
        {kBannerPlaceholder, L"", false, true},
        {kFailureLink, L"Custom2", false, true},
    };
    for (const auto& c : controls) host.controls[c.id] = {c.text, c.shown, c.enabled, false};
}

class DialogTest : public ::testing::Test {
protected:
    explicit DialogTest(bool checksPassed = true, const std::wstring& failureMessage = L"") {
        StartupResults() = StartupCheckResults{};
        StartupResults().checksPassed = checksPassed;
        StartupResults().failureMessage = failureMessage;
        CancelRequested = 0;
        ProgressDisplayEnabled = 1;
        SetupLog::Write(L"test begins");  // the log has its path from its first line on
        StageTemplate(host);
    }
    ~DialogTest() override {
        StartupResults() = StartupCheckResults{};
        CancelRequested = 0;
    }
    // Initialised, licence accepted, Install pressed.
    void StartRun() {
        dialog.OnInitDialog();
        host.ToggleCheck(dialog_control::kAcceptCheckBox);
        dialog.OnCommand(dialog_control::kAcceptCheckBox);
        dialog.OnCommand(dialog_control::kInstallButton);
    }
    const platform::fakes::FakeDialogHost::Control& Control(int id) { return host.controls[id]; }

    platform::fakes::ScopedFakeMachine machine;
    ScopedProcessSettings settings{ProcessSettings{}};
    platform::fakes::FakeDialogHost host;
    RecordingStarter starter;
    SetupDialog dialog{host, starter};
};
