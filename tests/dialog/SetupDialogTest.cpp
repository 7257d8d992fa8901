// The setup dialog's behaviour on a fake window staged as the dialog template creates it: the
// licence step and the blocked one, the check box, Install, the worker's reports, the ends of the
// run and the results start-up acts on, Cancel and Close, Enter, the links.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "checks/StartupCheckResults.h"
#include "core/ProcessSettings.h"
#include "platform/fakes/FakeDialogHost.h"
#include "setup/SetupApp.h"
#include "setup/SetupDialog.h"
#include "setup/SetupDialogControls.h"
#include "setup/StatusNote.h"
#include "setup/WorkerMessages.h"
#include "tests/support/FakeMachineLog.h"
#include "tests/support/ProcessCounters.h"

namespace {

using namespace dialog_control;
using platform::fakes::FakeDialogHost;
const std::wstring kLogPath = L"C:\\Temp\\KORVOSkelvInstall.log";

// Records the window the worker was to report to; succeeds or fails as told.
class RecordingStarter final : public InstallStarter {
public:
    bool Start(platform::WindowHandle window) override {
        windows.push_back(window);
        return succeeds;
    }
    bool succeeds = true;
    std::vector<platform::WindowHandle> windows;
};

class DialogTest : public ::testing::Test {
protected:
    DialogTest() {
        StartupResults() = StartupCheckResults{};
        StartupResults().checksPassed = true;
        SetupLog::Write(L"test begins");  // the log has its path from its first line on
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
    ~DialogTest() override { StartupResults() = StartupCheckResults{}; }
    // Initialised, licence accepted, Install pressed.
    void StartRun() {
        dialog.OnInitDialog();
        host.ToggleCheck(kAcceptCheckBox);
        dialog.OnCommand(kAcceptCheckBox);
        dialog.OnCommand(kInstallButton);
    }
    FakeDialogHost::Control& Control(int id) { return host.controls[id]; }
    void ExpectShown(std::initializer_list<int> shown, std::initializer_list<int> hidden) {
        for (int id : shown) EXPECT_TRUE(Control(id).shown) << id;
        for (int id : hidden) EXPECT_FALSE(Control(id).shown) << id;
    }

    ScopedProcessCounters counters;
    platform::fakes::ScopedFakeMachine machine;
    ScopedProcessSettings settings{ProcessSettings{}};
    FakeDialogHost host;
    RecordingStarter starter;
    SetupDialog dialog{host, starter};
};

TEST_F(DialogTest, TheLicenceStepAsksForAcceptanceWithInstallDisabled) {
    dialog.OnInitDialog();
    EXPECT_EQ(host.title, L"KORVO Skelv Setup");
    EXPECT_EQ(Control(kStatusText).text,
              L"You must accept the following License Agreement before the KORVO Skelv application can be installed.");
    EXPECT_EQ(Control(kEulaLink).text, L" Read the <A ID=\"idKORVOSkelv\">KORVO Skelv  Eula</A> before accepting it");
    EXPECT_EQ(Control(kAcceptCheckBox),
              (FakeDialogHost::Control{L"I accept the terms of the KORVO Skelv  License Agreement", true, true}));
    ExpectShown({kEulaLink, kStatusText, kInstallButton}, {kFailureLink});
    EXPECT_EQ(Control(kInstallButton).enabled, false);
    EXPECT_EQ(Control(kCancelButton).text, L"Cancel");
    EXPECT_FALSE(host.defaultButton.has_value());
    EXPECT_EQ(host.broughtToFront, 1);
}

TEST_F(DialogTest, AFailedCheckShowsItsReasonWithTheHelpLinkAndOnlyCancel) {
    StartupResults().checksPassed = false;
    StartupResults().failureMessage = L"Not enough memory.";
    dialog.OnInitDialog();
    EXPECT_EQ(Control(kFailureLink).text,
              L"Not enough memory.\n\n For more information, click  "
              L"<A  ID=\"idHELP\">here.</A> \n\nClick 'Cancel' to exit the Setup.");
    ExpectShown({kFailureLink, kCancelButton}, {kInstallButton, kAcceptCheckBox, kEulaLink, kStatusText});
    EXPECT_EQ(host.defaultButton, kCancelButton);
    dialog.OnCommand(kInstallButton);  // not even a stray command starts the worker
    EXPECT_TRUE(starter.windows.empty());
    dialog.OnCommand(kOkCommand);
    dialog.OnCancel();
    EXPECT_EQ(host.ended, std::vector<int>{kRunCancelled});
}

TEST_F(DialogTest, TheCheckBoxTogglesInstallAndTheDefaultButton) {
    dialog.OnInitDialog();
    for (bool checked : {true, false, true, false}) {
        host.ToggleCheck(kAcceptCheckBox);
        dialog.OnCommand(kAcceptCheckBox);
        const int expected = checked ? kInstallButton : kCancelButton;
        EXPECT_EQ(Control(kInstallButton).enabled, checked);
        EXPECT_EQ(host.defaultButton, expected);
        EXPECT_EQ(host.focused, expected);
    }
}

TEST_F(DialogTest, InstallStartsOneWorkerThatReportsToTheDialogsOwnWindow) {
    StartRun();
    dialog.OnCommand(kInstallButton);  // a second press never starts a second worker
    EXPECT_EQ(starter.windows, std::vector<platform::WindowHandle>{host.window});
    ExpectShown({kProgressBar}, {kAcceptCheckBox, kEulaLink, kEndMessage, kInstallButton});
    EXPECT_FALSE(Control(kInstallButton).enabled);
    EXPECT_EQ(host.focused, kBannerPlaceholder);
}

// Each end shows its text and turns Cancel into Close, which ends the dialog with the result
// start-up acts on. A worker that cannot start ends the run as a failed installation (text 129).
TEST_F(DialogTest, EachEndOfTheRunAndItsResult) {
    const std::wstring connection =
        L"KORVO Skelv setup has failed. Please check your internet connection (firewall "
        L"and proxy) and try again. For more information, consult the log file " +
        kLogPath + L".";
    const struct {
        std::uint32_t message;  // 0: the worker does not start
        int shownIn;
        std::wstring text;
        int result;
    } cases[] = {
        {worker_message::kInstallSucceeded, kStatusText, L"Setup has successfully installed KORVO Skelv.",
         kRunInstalled},
        {worker_message::kInstallFailed, kEndMessage, connection, kRunFailed},
        {worker_message::kExpandFailed, kEndMessage,
         L"KORVO Skelv installation failed. Consult the log file " + kLogPath + L".", kRunFailed},
        {worker_message::kInstallCancelled, kEndMessage,
         L"KORVO Skelv setup has been interrupted by the user. For more information, consult the log file " + kLogPath +
             L".",
         kRunCancelled},
        {0, kEndMessage, L"KORVO Skelv installation failed. Consult the log file " + kLogPath + L".", kRunFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        FakeDialogHost window = host;  // as the template made it
        RecordingStarter caseStarter;
        caseStarter.succeeds = c.message != 0;
        SetupDialog ending(window, caseStarter);
        ending.OnInitDialog();
        window.ToggleCheck(kAcceptCheckBox);
        ending.OnCommand(kInstallButton);
        // lParam is the worker's context, freed by the worker by now: it must not be read.
        if (c.message != 0) {
            EXPECT_TRUE(ending.OnMessage(c.message, 0, 0x7777));
        }
        EXPECT_EQ(window.controls[c.shownIn].text, c.text);
        EXPECT_TRUE(window.controls[c.shownIn].shown);
        EXPECT_EQ(window.controls[kStatusText].shown, c.shownIn == kStatusText);
        EXPECT_FALSE(window.controls[kProgressBar].shown);
        EXPECT_EQ(window.controls[kCancelButton], (FakeDialogHost::Control{L"Close", true, true}));
        EXPECT_EQ(window.defaultButton, kCancelButton);
        EXPECT_EQ(window.focused, kCancelButton);
        EXPECT_TRUE(window.ended.empty());  // the user closes it
        ending.OnCommand(kOkCommand);
        ending.OnCancel();
        EXPECT_EQ(window.ended, std::vector<int>{c.result});
    }
    EXPECT_EQ(LogEntries(machine).back(), L"ThreadDownloadInstall could not be started");
}

TEST_F(DialogTest, ProgressIsPositionTimesHundredByRangeWithoutOverflow) {
    const struct {
        std::int64_t position;
        std::int64_t range;
        std::vector<std::int32_t> shown;  // nothing when the message is ignored
    } cases[] = {
        {3, 7, {42}},
        {7, 7, {100}},
        {5, 0, {}},
        {-1, -1, {100}},
        {50000000, 100000000, {50}},     // position x 100 is beyond 32 bits
        {536870912, -1, {INT_MIN}},      // x 100 is INT_MIN in 32 bits, which / -1 traps
        {INT_MAX, 1, {INT_MAX}},         // the bar clamps a raw value beyond its range
        {3, std::int64_t{1} << 32, {}},  // a range of 0 as 32 bits
    };
    for (std::uint32_t message :
         {worker_message::kInstallProgress, host.RegisteredMessage(kUpdateProgressMessageName)}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.position) + " / " + std::to_string(c.range));
            host.progress.clear();
            EXPECT_TRUE(dialog.OnMessage(message, static_cast<std::uintptr_t>(c.position),
                                         static_cast<std::intptr_t>(c.range)));
            EXPECT_EQ(host.progress, c.shown);
        }
    }
    host.progress.clear();
    ProgressDisplayEnabled = 0;  // the texture step holds the bar while it asks its cancel question
    dialog.OnMessage(worker_message::kInstallProgress, 3, 7);
    EXPECT_TRUE(host.progress.empty());
}

TEST_F(DialogTest, StatusTextComesFromTheMessagesNote) {
    StartRun();
    EXPECT_TRUE(dialog.OnMessage(worker_message::kInstallStatus, 0, NewStatusNote(L"Downloading")));
    EXPECT_EQ(Control(kStatusText).text, L"Downloading");
    // No note, a note already taken, a number posted by another program: the text stays, and
    // nothing is read or freed.
    std::intptr_t taken = NewStatusNote(L"taken");
    TakeStatusNote(taken);
    std::wstring notANote = L"not a note";
    for (std::intptr_t forged : {std::intptr_t{0}, taken, reinterpret_cast<std::intptr_t>(&notANote)}) {
        dialog.OnMessage(worker_message::kInstallStatus, 0, forged);
        EXPECT_EQ(Control(kStatusText).text, L"Downloading");
    }
    EXPECT_TRUE(dialog.OnMessage(host.RegisteredMessage(kUpdateLowExpandMessageName), 0, 0));
    EXPECT_EQ(Control(kStatusText).text,
              L"Expanding textures and launching Graphic Optimizer. This may take a minute...");
    EXPECT_FALSE(dialog.OnMessage(0x0401, 0, 0));
}

TEST_F(DialogTest, CancelCountsOneRequestAtATimeAndIsUsableAgainAfterANo) {
    StartRun();
    dialog.OnCancel();
    dialog.OnCommand(kCancelButton);  // pressed again before the step has asked
    EXPECT_EQ(CancelRequested.load(), 1);
    EXPECT_TRUE(host.ended.empty());
    dialog.OnMessage(worker_message::kInstallStatus, 0, NewStatusNote(L"Downloading"));
    EXPECT_FALSE(Control(kCancelButton).enabled);

    --CancelRequested;  // the step's question was answered "No"
    dialog.OnMessage(worker_message::kInstallStatus, 0, NewStatusNote(L"Downloading"));
    EXPECT_TRUE(Control(kCancelButton).enabled);
    dialog.OnCancel();
    EXPECT_EQ(CancelRequested.load(), 1);
    std::vector<std::wstring> log = LogEntries(machine);
    EXPECT_EQ(std::count(log.begin(), log.end(), L"CANCEL APPLI"), 3);

    // "Yes": the run ends cancelled with the request still counted; a late status keeps Close usable.
    dialog.OnMessage(worker_message::kInstallCancelled, 0, 0);
    dialog.OnMessage(worker_message::kInstallStatus, 0, NewStatusNote(L"late"));
    EXPECT_TRUE(Control(kCancelButton).enabled);
    EXPECT_NE(Control(kStatusText).text, L"late");
}

TEST_F(DialogTest, EnterChangesNothingInAnyState) {
    const auto pressEnter = [this] {
        auto before = host.controls;
        dialog.OnCommand(kOkCommand);
        EXPECT_TRUE(host.ended.empty());
        EXPECT_EQ(host.controls, before);
    };
    dialog.OnInitDialog();
    pressEnter();  // licence not accepted, no default button
    host.ToggleCheck(kAcceptCheckBox);
    dialog.OnCommand(kAcceptCheckBox);
    pressEnter();
    dialog.OnCommand(kInstallButton);
    pressEnter();
    dialog.OnMessage(worker_message::kInstallSucceeded, 0, 0);
    pressEnter();
}

TEST_F(DialogTest, OnlyTheTwoKnownLinksOpenAnAddress) {
    const struct {
        int control;
        std::wstring linkId;
        std::vector<std::wstring> opened;
    } cases[] = {
        {kEulaLink, L"idKORVOSkelv", {L"http://download.halvorsk.com/downloads/skelv/skelv_v31/KORVOSkelvEula.htm"}},
        {kFailureLink, L"idHELP", {L"http://support.halvorsk.com/skelvit/KORVO_Skelv/help/"}},
        {kEulaLink, L"idkorvoskelv", {}},
        {kEulaLink, L"idHELP", {}},
        {kFailureLink, L"idKORVOSkelv", {}},
        {kFailureLink, L"", {}},
        {kInstallButton, L"idHELP", {}},
    };
    for (const auto& c : cases) {
        host.opened.clear();
        dialog.OnLinkClicked(c.control, c.linkId);
        EXPECT_EQ(host.opened, c.opened) << c.control;
    }
}

// End messages count only while the worker runs: a late or stray one (a second end from the worker,
// or a message from another program, which can post these numbers to any window) must not change
// an outcome already shown, nor the licence step before Install.
TEST_F(DialogTest, AnEndMessageAfterTheRunHasEndedChangesNothing) {
    const struct {
        std::uint32_t first;
        int firstResult;
    } cases[] = {
        {worker_message::kInstallFailed, kRunFailed},
        {worker_message::kExpandFailed, kRunFailed},
        {worker_message::kInstallCancelled, kRunCancelled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        FakeDialogHost window = host;
        RecordingStarter caseStarter;
        SetupDialog ending(window, caseStarter);
        ending.OnInitDialog();
        window.ToggleCheck(kAcceptCheckBox);
        ending.OnCommand(kInstallButton);
        ending.OnMessage(c.first, 0, 0);
        const auto shown = window.controls;
        ending.OnMessage(worker_message::kInstallSucceeded, 0, 0);
        EXPECT_EQ(window.controls, shown);
        ending.OnCancel();
        // Installed would make start-up launch a product whose installation failed.
        EXPECT_EQ(window.ended, std::vector<int>{c.firstResult});
    }
}

// The expansion notice is registered by name, so any program can learn its number; once the run
// has ended it must not cover the outcome.
TEST_F(DialogTest, TheExpansionNoticeAfterTheRunKeepsTheOutcome) {
    StartRun();
    dialog.OnMessage(worker_message::kInstallSucceeded, 0, 0);
    dialog.OnMessage(host.RegisteredMessage(kUpdateLowExpandMessageName), 0, 0);
    EXPECT_EQ(Control(kStatusText).text, L"Setup has successfully installed KORVO Skelv.");
}

// Before Install no tool of the product runs: the notice, from whoever posted it, must not replace
// the licence instruction, nor show over the refusal.
TEST_F(DialogTest, TheExpansionNoticeBeforeInstallKeepsTheLicenceStep) {
    for (bool checksPassed : {true, false}) {
        SCOPED_TRACE(checksPassed);
        StartupResults().checksPassed = checksPassed;
        FakeDialogHost window = host;
        RecordingStarter caseStarter;
        SetupDialog idle(window, caseStarter);
        idle.OnInitDialog();
        const std::wstring instruction = window.controls[kStatusText].text;
        idle.OnMessage(window.RegisteredMessage(kUpdateLowExpandMessageName), 0, 0);
        EXPECT_EQ(window.controls[kStatusText].text, instruction);
    }
}

TEST_F(DialogTest, AnEndMessageBeforeInstallLeavesTheLicenceStepAndTheRunToCome) {
    dialog.OnInitDialog();
    dialog.OnMessage(worker_message::kInstallFailed, 0, 0);
    ExpectShown({kAcceptCheckBox, kEulaLink, kStatusText}, {kEndMessage});
    EXPECT_EQ(Control(kCancelButton).text, L"Cancel");

    host.ToggleCheck(kAcceptCheckBox);
    dialog.OnCommand(kAcceptCheckBox);
    dialog.OnCommand(kInstallButton);
    ASSERT_EQ(starter.windows.size(), 1u);
    // The worker runs: Cancel asks it to stop and must not close the dialog under it.
    dialog.OnCancel();
    EXPECT_TRUE(host.ended.empty());
    EXPECT_EQ(CancelRequested.load(), 1);
}

// The status message's lParam comes from whoever posted the message. One that is not a note of
// this process must neither be freed nor read.
TEST_F(DialogTest, AStatusMessageWithAForeignLParamIsHarmless) {
    StartRun();
    const std::wstring instruction = Control(kStatusText).text;
    const auto postForeignStatuses = [&] {
        static long long notANote[4] = {0x41, 0x42, 0x43, 0x44};
        dialog.OnMessage(worker_message::kInstallStatus, 0, reinterpret_cast<std::intptr_t>(&notANote[1]));
        dialog.OnMessage(worker_message::kInstallStatus, 0, 0x10);
        std::exit(Control(kStatusText).text == instruction ? 0 : 7);
    };
    EXPECT_EXIT(postForeignStatuses(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
