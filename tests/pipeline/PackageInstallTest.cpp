// InstallMSI, RemoveMSI and the clean-up on a fake machine: the installer is a scripted child, the
// user a scripted message box, the dialog a recorder of posted messages.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/InstallPaths.h"
#include "core/ProcessSettings.h"
#include "core/ProcessState.h"
#include "core/SetupLog.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/PackageInstall.h"
#include "setup/SetupOutcomes.h"
#include "setup/WorkerMessages.h"
#include "tests/pipeline/StatusNotes.h"
#include "tests/support/FakeMachineLog.h"
#include "tests/support/ProcessCounters.h"

namespace {

using platform::MessageAnswer;
using platform::fakes::ScopedFakeMachine;

const std::wstring kPackagePath = L"C:\\Temp\\KORVOS1234\\KORVOSkelv.msi";
const std::wstring kCommandLine =
    L"msiexec /norestart /i " + kPackagePath + L"  BOOTSTRAP=1 /q /l* " + L"C:\\Temp\\KORVOSkelv.msi.log";

class PackageInstall : public ::testing::Test {
protected:
    PackageInstall() {
        ReceiveStatusNotes(machine);
        machine.desktop.answer = MessageAnswer::No;
        PrepareInstallPaths();
        firstLine_ = LogEntries(machine).size();
    }
    std::vector<std::wstring> NewLogLines() const {
        std::vector<std::wstring> lines = LogEntries(machine);
        return std::vector<std::wstring>(lines.begin() + static_cast<std::ptrdiff_t>(firstLine_), lines.end());
    }
    // Every progress message as (position, range), and every status text posted, in order.
    std::vector<std::pair<std::int64_t, std::int64_t>> Progress() const {
        std::vector<std::pair<std::int64_t, std::int64_t>> positions;
        for (const auto& posted : machine.windows.Snapshot())
            if (posted.message == worker_message::kInstallProgress)
                positions.emplace_back(static_cast<std::int64_t>(posted.wParam), posted.lParam);
        return positions;
    }
    int Install() {
        return InstallMSI(L"Installing KORVO Skelv...", L"KORVOSkelv.msi", &context, true, L"BOOTSTRAP=1", false);
    }
    // Cancel pressed just before the given exit-code reads.
    void PressCancelAtReads(std::vector<int> reads) {
        machine.children.onRead = [reads](int read) {
            for (int at : reads)
                if (read == at) PressCancel();
        };
    }

    ScopedProcessSettings settings_{ProcessSettings{}};
    ScopedProcessCounters counters_;
    ScopedFakeMachine machine;
    InstallContext context{reinterpret_cast<platform::WindowHandle>(0x1234), L""};

private:
    std::size_t firstLine_ = 0;
};

TEST_F(PackageInstall, A45SecondInstallerWrapsTheBarAt100) {
    machine.children.waitsToEnd = 150;  // 150 waits of 300 ms
    machine.children.exitCode = 3010;
    EXPECT_EQ(Install(), 0);

    std::vector<std::pair<std::int64_t, std::int64_t>> expected{{1, 100}};
    for (int pass = 0; pass < 151; ++pass) expected.emplace_back(pass % 100 + 1, 100);
    expected.emplace_back(100, 100);
    expected.emplace_back(60, 60);  // the counter ended at 51, below 60
    EXPECT_EQ(Progress(), expected);
    EXPECT_EQ(machine.children.waits, std::vector<std::uint32_t>(151, 300));
    EXPECT_EQ(machine.children.pauses, std::vector<std::uint32_t>{200});
    EXPECT_EQ(NewLogLines(), (std::vector<std::wstring>{L"IN->InstallMSI ()", kPackagePath, kCommandLine,
                                                        L"Installer exit code = 3010 (done, a restart is needed)",
                                                        L"OUT->InstallMSI () OK"}));
    ASSERT_EQ(machine.children.started.size(), 1u);
    EXPECT_EQ(machine.children.started[0].application, L"C:\\WINDOWS\\system32\\msiexec.exe");
    EXPECT_EQ(machine.children.started[0].commandLine, kCommandLine);
    EXPECT_FALSE(machine.children.started[0].inheritHandles);
    EXPECT_EQ(machine.children.openChildren, 0);
    EXPECT_EQ(context.statusText, L"Installing KORVO Skelv...");
}

TEST_F(PackageInstall, AShortInstallerShowsTheBarAt60AndPauses) {
    machine.children.waitsToEnd = 3;
    EXPECT_EQ(InstallMSI(L"Installing MSXML 6.0...", L"msxml6_x86.msi", &context, false, L"ignored", false), 0);
    EXPECT_EQ(Progress(), (std::vector<std::pair<std::int64_t, std::int64_t>>{
                              {1, 100}, {1, 100}, {2, 100}, {3, 100}, {4, 100}, {100, 100}, {60, 60}}));
    EXPECT_EQ(machine.children.pauses, std::vector<std::uint32_t>{200});
    EXPECT_EQ(machine.children.started.at(0).commandLine,
              L"msiexec /norestart /i C:\\Temp\\KORVOS1234\\msxml6_x86.msi /q /l* C:\\Temp\\msxml6_x86.msi.log");

    // 71 passes leave the counter at 71: no pause, the last position is (100, 100).
    machine.children = {};
    machine.children.waitsToEnd = 70;
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(Progress().back(), (std::pair<std::int64_t, std::int64_t>{100, 100}));
    EXPECT_TRUE(machine.children.pauses.empty());
}

TEST_F(PackageInstall, AChildThatReallyExitsWith259EndsTheWatch) {
    machine.children.waitsToEnd = 4;
    machine.children.exitCode = 259;
    EXPECT_EQ(Install(), 0);
    EXPECT_EQ(machine.children.waits.size(), 5u);  // one pass more after the end, as for any child
    EXPECT_EQ(machine.children.openChildren, 0);
}

TEST_F(PackageInstall, CancelAnswers) {
    struct Case {
        const char* name;
        std::vector<int> pressesAtReads;
        bool pressWhileOpen;
        std::vector<MessageAnswer> answers;
        int result;
        std::size_t questions;
        std::int32_t cancelRequestedAfter;
    };
    const Case cases[] = {
        {"yes", {3}, false, {MessageAnswer::Yes}, step_result::kCancelled, 1, 1},
        {"no", {3}, false, {MessageAnswer::No}, step_result::kDone, 1, 0},
        {"no, then yes on a later press",
         {3, 6},
         false,
         {MessageAnswer::No, MessageAnswer::Yes},
         step_result::kCancelled,
         2,
         1},
        {"two presses at once, no", {3, 3}, false, {MessageAnswer::No}, step_result::kDone, 1, 0},
        {"pressed again while asked, no", {3}, true, {MessageAnswer::No}, step_result::kDone, 1, 0},
        {"yes, later presses ask nothing", {3, 6}, false, {MessageAnswer::Yes}, step_result::kCancelled, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CancelRequested = 0;
        machine.children = {};
        machine.children.waitsToEnd = 10;
        machine.windows.posted.clear();
        machine.desktop.answers = c.answers;
        machine.desktop.whileOpen = c.pressWhileOpen ? PressCancel : nullptr;
        machine.desktop.shown.clear();
        PressCancelAtReads(c.pressesAtReads);
        EXPECT_EQ(Install(), c.result);
        ASSERT_EQ(machine.desktop.shown.size(), c.questions);
        for (const auto& question : machine.desktop.shown) {
            EXPECT_EQ(question.caption, L"KORVO Skelv Setup");
            EXPECT_EQ(question.text, L"Are you sure you want to cancel KORVO Skelv installation?");
            EXPECT_EQ(question.icon, platform::MessageIcon::Question);
            EXPECT_EQ(question.buttons, platform::MessageButtons::YesNo);
        }
        EXPECT_EQ(CancelRequested.load(), c.cancelRequestedAfter);
        EXPECT_EQ(machine.children.terminated, 0);  // the installer always runs to its end
        EXPECT_EQ(machine.children.waits.size(), 11u);
        bool cancelStatus = context.statusText == L"Cancel in progress...";
        EXPECT_EQ(cancelStatus, c.result == step_result::kCancelled);
    }
    std::vector<std::wstring> lines = NewLogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::wstring>(lines.end() - 3, lines.end()),
              (std::vector<std::wstring>{L"OUT->InstallMSI () OK",
                                         L"Setup was interrupted by user after " + kPackagePath + L" installation",
                                         L"OUT->InstallMSI () CANCEL"}));
}

TEST_F(PackageInstall, FailuresToStartOrWatch) {
    machine.children.startError = 2;
    EXPECT_EQ(InstallMSI(L"s", L"Windows6.0-KB941179-x64.msu", &context, false, L"", true), -2);
    EXPECT_EQ(NewLogLines(), (std::vector<std::wstring>{
                                 L"IN->InstallMSI ()", L"C:\\Temp\\KORVOS1234\\Windows6.0-KB941179-x64.msu",
                                 L"wusa.exe /quiet /norestart C:\\Temp\\KORVOS1234\\Windows6.0-KB941179-x64.msu",
                                 L"Process failed rc = 2", L"OUT->InstallMSI () KO"}));
    EXPECT_EQ(machine.children.started.at(0).application, L"C:\\WINDOWS\\system32\\wusa.exe");
    EXPECT_TRUE(Progress().empty());

    machine.children = {};
    machine.children.waitsToEnd = 10;
    machine.children.failingRead = 4;
    EXPECT_EQ(Install(), -2);
    EXPECT_EQ(Progress().back(), (std::pair<std::int64_t, std::int64_t>{100, 100}));
    std::vector<std::wstring> lines = NewLogLines();
    EXPECT_EQ(std::vector<std::wstring>(lines.end() - 2, lines.end()),
              (std::vector<std::wstring>{L"GetExitCodeProcess failed rc = 6", L"OUT->InstallMSI () KO"}));
    EXPECT_EQ(machine.children.openChildren, 0);

    machine.children = {};
    machine.children.failingRead = 2;
    EXPECT_EQ(RemoveMSI(L"r", L"KORVOSkelv.msi", &context), -2);
    lines = NewLogLines();
    EXPECT_EQ(std::vector<std::wstring>(lines.end() - 2, lines.end()),
              (std::vector<std::wstring>{L"GetExitCodeProcess failed rc = 6", L"OUT->RemoveMSI () KO"}));
    EXPECT_EQ(machine.children.openChildren, 0);
}

// Without the system folder there is no trusted place to start the installer from: the start
// fails (path not found) instead of running "\msiexec.exe" from the current drive's root.
TEST_F(PackageInstall, AnUnknownSystemFolderStartsNothing) {
    machine.children.systemFolder.clear();
    EXPECT_EQ(Install(), -2);
    EXPECT_EQ(RemoveMSI(L"r", L"KORVOSkelv.msi", &context), -2);
    EXPECT_TRUE(machine.children.started.empty());
    std::vector<std::wstring> lines = NewLogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"Process failed rc = 3"), 2);
}

TEST_F(PackageInstall, RemovalRunsTheBarBackwards) {
    machine.children.waitsToEnd = 5;
    CancelRequested = 1;  // a removal asks nothing
    EXPECT_EQ(RemoveMSI(L"Setup was canceled. Removing KORVO Skelv...", L"KORVOSkelv.msi", &context), 0);
    EXPECT_EQ(Progress(), (std::vector<std::pair<std::int64_t, std::int64_t>>{
                              {59, 60}, {59, 60}, {58, 60}, {57, 60}, {56, 60}, {55, 60}, {54, 60}, {0, 60}}));
    EXPECT_EQ(machine.children.waits, std::vector<std::uint32_t>(6, 1500));
    EXPECT_TRUE(machine.desktop.shown.empty());
    EXPECT_EQ(NewLogLines(), (std::vector<std::wstring>{L"IN->RemoveMSI ()", L"msiexec /x " + kPackagePath + L" /q",
                                                        L"Installer exit code = 0 (done)", L"OUT->RemoveMSI () OK"}));
    EXPECT_EQ(context.statusText, L"Setup was canceled. Removing KORVO Skelv...");

    // A removal of more than 60 waits posts negative positions.
    machine.children = {};
    machine.children.waitsToEnd = 70;
    machine.windows.posted.clear();
    EXPECT_EQ(RemoveMSI(L"r", L"KORVOSkelv.msi", nullptr), 0);
    EXPECT_TRUE(Progress().empty());  // no context, nothing posted
    EXPECT_EQ(ProgressCounter.load(), 60 - 71);
}

TEST_F(PackageInstall, PropertiesFollowTheUserInterfaceLanguage) {
    machine.language.language = 0x040C;
    EXPECT_EQ(GetInstallProperties(), L"BOOTSTRAP=1 TRANSFORMS=\":fr-fr.mst\"");
}

TEST_F(PackageInstall, CleanupRemovesThePackagesThenTheFolder) {
    for (bool wow64 : {false, true}) {
        machine.removal.removed.clear();
        machine.system.wow64 = wow64;
        CleanupPackageFolder();
        const std::wstring folder = L"C:\\Temp\\KORVOS1234\\";
        const std::wstring bits = wow64 ? L"x86_x64" : L"x86";
        const std::wstring msxml = wow64 ? L"x64" : L"x86";
        EXPECT_EQ(machine.removal.removed,
                  (std::vector<std::wstring>{
                      L"file " + folder + L"InstallHVSoftwarePrerequisites_" + bits + L".msi",
                      L"file " + folder + L"msxml6_" + msxml + L".msi", L"file " + folder + L"KORVOSkelv.msi",
                      L"file " + folder + L"Windows6.0-KB941179-" + msxml + L".msu", L"folder " + folder}));
    }
}

}  // namespace
