// The setup dialog's behaviour on a fake window: the licence step and the blocked one, the check
// box, Install, the worker's reports, the ends of the run, Cancel and Close, the links.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>

#include "setup/SetupApp.h"
#include "setup/StatusNote.h"
#include "setup/WorkerMessages.h"
#include "tests/dialog/DialogStage.h"
#include "tests/support/FakeMachineLog.h"

namespace {

using namespace dialog_control;
const std::wstring kLogPath = L"C:\\Temp\\KORVOSkelvInstall.log";

TEST_F(DialogTest, TheLicenceStepAsksForAcceptanceWithInstallDisabled) {
    dialog.OnInitDialog();
    EXPECT_EQ(host.title, L"KORVO Skelv Setup");
    EXPECT_EQ(Control(kStatusText).text,
              L"You must accept the following License Agreement before the KORVO Skelv application can be installed.");
    EXPECT_EQ(Control(kEulaLink).text, L" Read the <A ID=\"idKORVOSkelv\">KORVO Skelv  Eula</A> before accepting it");
    EXPECT_EQ(Control(kAcceptCheckBox).text, L"I accept the terms of the KORVO Skelv  License Agreement");
    EXPECT_TRUE(Control(kAcceptCheckBox).shown);
    EXPECT_FALSE(Control(kAcceptCheckBox).checked);
    EXPECT_FALSE(Control(kFailureLink).shown);
    EXPECT_EQ(Control(kInstallButton).text, L"Install");
    EXPECT_FALSE(Control(kInstallButton).enabled);
    EXPECT_EQ(Control(kCancelButton).text, L"Cancel");
    EXPECT_FALSE(host.defaultButton.has_value());
    EXPECT_EQ(host.broughtToFront, 1);
}

class BlockedDialogTest : public DialogTest {
protected:
    BlockedDialogTest() : DialogTest(false, L"Not enough memory.") {}
};

TEST_F(BlockedDialogTest, AFailedCheckShowsItsReasonWithTheHelpLinkAndOnlyCancel) {
    dialog.OnInitDialog();
    EXPECT_EQ(Control(kFailureLink).text,
              L"Not enough memory.\n\n For more information, click  "
              L"<A  ID=\"idHELP\">here.</A> \n\nClick 'Cancel' to exit the Setup.");
    EXPECT_TRUE(Control(kFailureLink).shown);
    for (int hidden : {kInstallButton, kAcceptCheckBox, kEulaLink, kStatusText}) {
        EXPECT_FALSE(Control(hidden).shown) << hidden;
    }
    EXPECT_EQ(host.defaultButton, kCancelButton);
    // Install cannot be pressed, even by a stray command.
    dialog.OnCommand(kInstallButton);
    EXPECT_TRUE(starter.windows.empty());
    dialog.OnCancel();
    EXPECT_EQ(host.ended, std::vector<int>{2});
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
    for (int hidden : {kAcceptCheckBox, kEulaLink, kEndMessage, kInstallButton}) {
        EXPECT_FALSE(Control(hidden).shown) << hidden;
    }
    EXPECT_FALSE(Control(kInstallButton).enabled);
    EXPECT_TRUE(Control(kProgressBar).shown);
    EXPECT_EQ(host.focused, kBannerPlaceholder);
    EXPECT_EQ(dialog.EndResult(), 0);
}

TEST_F(DialogTest, AWorkerThatCannotStartEndsTheRunAsFailed) {
    starter.succeeds = false;
    StartRun();
    EXPECT_EQ(Control(kEndMessage).text,
              L"KORVO Skelv setup has failed. Please check your internet connection (firewall and proxy) and try "
              L"again. For more information, consult the log file " +
                  kLogPath + L".");
    EXPECT_FALSE(Control(kStatusText).shown);
    EXPECT_EQ(LogEntries(machine).back(), L"ThreadDownloadInstall could not be started");
    dialog.OnCancel();
    EXPECT_EQ(host.ended, std::vector<int>{3});
}

TEST_F(DialogTest, EachEndShowsItsTextAndTurnsCancelIntoClose) {
    struct Case {
        std::uint32_t message;
        int shownIn;
        std::wstring text;
        int result;
    };
    const Case cases[] = {
        {worker_message::kInstallSucceeded, kStatusText, L"Setup has successfully installed KORVO Skelv.", 1},
        {worker_message::kInstallFailed, kEndMessage,
         L"KORVO Skelv setup has failed. Please check your internet connection (firewall and proxy) and try again. "
         L"For more information, consult the log file " +
             kLogPath + L".",
         3},
        {worker_message::kExpandFailed, kEndMessage,
         L"KORVO Skelv installation failed. Consult the log file " + kLogPath + L".", 3},
        {worker_message::kInstallCanceled, kEndMessage,
         L"KORVO Skelv setup has been interrupted by the user. For more information, consult the log file " + kLogPath +
             L".",
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        platform::fakes::FakeDialogHost window;
        StageTemplate(window);
        SetupDialog ending(window, starter);
        ending.OnInitDialog();
        window.ToggleCheck(kAcceptCheckBox);
        ending.OnCommand(kInstallButton);
        // The context travels as lParam but is already freed by the worker: never read.
        EXPECT_TRUE(ending.OnMessage(c.message, 0, 0x7777));
        EXPECT_EQ(window.controls[c.shownIn].text, c.text);
        EXPECT_TRUE(window.controls[c.shownIn].shown);
        EXPECT_EQ(window.controls[kStatusText].shown, c.shownIn == kStatusText);
        EXPECT_FALSE(window.controls[kProgressBar].shown);
        EXPECT_EQ(window.controls[kCancelButton], (platform::fakes::FakeDialogHost::Control{L"Close", true, true}));
        EXPECT_EQ(window.defaultButton, kCancelButton);
        EXPECT_EQ(window.focused, kCancelButton);
        EXPECT_TRUE(window.ended.empty());  // the user closes it
        ending.OnCancel();
        EXPECT_EQ(window.ended, std::vector<int>{c.result});
    }
}

TEST_F(DialogTest, ProgressIsPositionTimesHundredByRangeWithoutOverflow) {
    struct Case {
        std::int64_t position;
        std::int64_t range;
        std::vector<std::int32_t> shown;  // nothing when the message is ignored
    };
    const Case cases[] = {
        {3, 7, {42}},
        {7, 7, {100}},
        {5, 0, {}},
        {-1, -1, {100}},
        {50000000, 100000000, {50}},     // position x 100 is beyond 32 bits
        {536870912, -1, {INT_MIN}},      // x 100 is INT_MIN in 32 bits, which / -1 traps
        {INT_MAX, 1, {INT_MAX}},         // the bar clamps a raw value beyond its range
        {3, std::int64_t{1} << 32, {}},  // a range of 0 as 32 bits
    };
    const std::uint32_t progressMessages[] = {worker_message::kInstallProgress,
                                              host.RegisteredMessage(kUpdateProgressMessageName)};
    for (std::uint32_t message : progressMessages) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.position) + " / " + std::to_string(c.range));
            host.progress.clear();
            EXPECT_TRUE(dialog.OnMessage(message, static_cast<std::uintptr_t>(c.position),
                                         static_cast<std::intptr_t>(c.range)));
            EXPECT_EQ(host.progress, c.shown);
        }
    }
    // The texture step holds the bar while it asks its cancel question.
    host.progress.clear();
    ProgressDisplayEnabled = 0;
    dialog.OnMessage(worker_message::kInstallProgress, 3, 7);
    EXPECT_TRUE(host.progress.empty());
}

TEST_F(DialogTest, StatusTextComesFromTheMessagesNote) {
    StartRun();
    EXPECT_TRUE(dialog.OnMessage(worker_message::kInstallStatus, 0, NewStatusNote(L"Downloading")));
    EXPECT_EQ(Control(kStatusText).text, L"Downloading");
    dialog.OnMessage(worker_message::kInstallStatus, 0, 0);  // no note: the text stays
    EXPECT_EQ(Control(kStatusText).text, L"Downloading");
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
    dialog.OnMessage(worker_message::kInstallCanceled, 0, 0);
    dialog.OnMessage(worker_message::kInstallStatus, 0, NewStatusNote(L"late"));
    EXPECT_TRUE(Control(kCancelButton).enabled);
    EXPECT_NE(Control(kStatusText).text, L"late");
}

TEST_F(DialogTest, EnterEndsTheDialogInNoState) {
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

TEST_F(BlockedDialogTest, EnterEndsNothingEither) {
    dialog.OnInitDialog();
    dialog.OnCommand(kOkCommand);
    EXPECT_TRUE(host.ended.empty());
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

// Start-up acts on the result the dialog ends with: launch after an installation, nothing else.
class DialogSteps final : public StartupSteps {
public:
    explicit DialogSteps(std::function<void(SetupDialog&, platform::fakes::FakeDialogHost&)> user) : user_(user) {}
    void RunStartupChecks() override { StartupResults().checksPassed = checksPassed; }
    void CheckAllPrereqs() override {}
    int ShowMainDialog() override {
        platform::fakes::FakeDialogHost window;
        StageTemplate(window);
        RecordingStarter starter;
        SetupDialog dialog(window, starter);
        dialog.OnInitDialog();
        user_(dialog, window);
        return window.ended.empty() ? 0 : window.ended.front();
    }
    void LaunchInstalledApplication() override { launched = true; }
    bool checksPassed = true;
    bool launched = false;

private:
    std::function<void(SetupDialog&, platform::fakes::FakeDialogHost&)> user_;
};

TEST_F(DialogTest, StartUpLaunchesOnlyAfterAnInstallationTheUserClosed) {
    using Window = platform::fakes::FakeDialogHost;
    const auto install = [](SetupDialog& d, Window& w, std::uint32_t end) {
        w.ToggleCheck(kAcceptCheckBox);
        d.OnCommand(kAcceptCheckBox);
        d.OnCommand(kInstallButton);
        d.OnMessage(end, 0, 0);
        d.OnCommand(kCancelButton);
    };
    const struct {
        const char* name;
        std::function<void(SetupDialog&, Window&)> user;
        bool launched;
        bool checksPassed = true;
    } cases[] = {
        {"installed", [&](SetupDialog& d, Window& w) { install(d, w, worker_message::kInstallSucceeded); }, true},
        {"failed", [&](SetupDialog& d, Window& w) { install(d, w, worker_message::kExpandFailed); }, false},
        {"cancelled run", [&](SetupDialog& d, Window& w) { install(d, w, worker_message::kInstallCanceled); }, false},
        {"Enter, then Cancel",
         [](SetupDialog& d, Window&) {
             d.OnCommand(kOkCommand);
             d.OnCancel();
         },
         false},
        {"blocked, Escape", [](SetupDialog& d, Window&) { d.OnCancel(); }, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::fakes::ScopedFakeMachine run;
        DialogSteps steps(c.user);
        steps.checksPassed = c.checksPassed;
        SetupApp(steps, 0).InitInstance();
        std::vector<std::wstring> log = LogEntriesIn(run.files);
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[log.size() - 2], c.launched ? L"IDOK" : L"IDCANCEL");
        EXPECT_EQ(steps.launched, c.launched);
    }
}

}  // namespace
