// Start-up on staged machines: the order of its steps, its refusals and what it logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "platform/Text.h"
#include "platform/fakes/FakeMachine.h"
#include "tests/support/FakeMachineLog.h"
#include "setup/SetupApp.h"
#include "tests/support/TestThread.h"

namespace {

using platform::MessageIcon;
using platform::fakes::ScopedFakeMachine;

const std::wstring kBegin = L"Begin bootstrap setup for KORVO Skelv installation";
const std::wstring kEnd = L"End bootstrap setup for KORVO Skelv installation";
const std::wstring kSessionMutex = L"7D3F0A96-2C4B-4E81-9B57-D0E6A13F8C24";
const std::wstring kGlobalMutex = L"Global\\KORVOSkelv";

class RecordingSteps final : public StartupSteps {
public:
    void RunStartupChecks() override { calls.push_back("checks"); }
    void CheckAllPrereqs() override { calls.push_back("prereqs"); }
    int ShowMainDialog() override {
        calls.push_back("dialog");
        if (onDialog) onDialog();
        return dialogResult;
    }
    void LaunchInstalledApplication() override {
        calls.push_back("launch");
        if (mutexes != nullptr) mutexesClosedAtLaunch = mutexes->closed.size();
        if (onLaunch) onLaunch();
    }

    int dialogResult = kRunCancelled;
    std::vector<std::string> calls;
    std::function<void()> onDialog;
    std::function<void()> onLaunch;
    // Watched at the moment of the launch when set.
    const platform::fakes::FakeNamedMutexes* mutexes = nullptr;
    std::size_t mutexesClosedAtLaunch = 0;
};

class StartupTest : public ::testing::Test {
protected:
    std::vector<std::wstring> LogTexts() const { return LogEntries(machine); }
    bool InitInstance() {
        SetupApp app(steps);
        bool result = app.InitInstance();
        exitCode = app.ExitCode();
        return result;
    }

    ScopedFakeMachine machine;
    RecordingSteps steps;
    int exitCode = -1;
};

TEST_F(StartupTest, ATypicalRunLogsItsFrameAndRunsEveryStepInOrder) {
    EXPECT_FALSE(InitInstance());
    EXPECT_EQ(LogTexts(), (std::vector<std::wstring>{kBegin, L"IN-> IsUserAdmin()", L"OUT-> IsUserAdmin()",
                                                     L"Version 06-11-2009.20.00", L"IDCANCEL", kEnd}));
    EXPECT_EQ(steps.calls, (std::vector<std::string>{"checks", "prereqs", "dialog"}));
    EXPECT_EQ(machine.desktop.registeredClasses, std::vector<std::wstring>{L"KORVOSkelvClass"});
    EXPECT_EQ(machine.desktop.commonControlsInitialised, 1);
    EXPECT_TRUE(machine.desktop.shown.empty());
    EXPECT_EQ(machine.mutexes.created, (std::vector<std::wstring>{kSessionMutex, kGlobalMutex}));
    // The machine-wide mutex is released first, then the session's.
    EXPECT_EQ(machine.mutexes.closed, (std::vector<platform::NamedMutexes::Handle>{2, 1}));
}

TEST_F(StartupTest, DialogResultsDecideTheLaunch) {
    struct Case {
        int result;
        std::vector<std::wstring> logTail;  // after the version line
        std::vector<std::string> calls;
        int exitCode;
    };
    const Case cases[] = {
        {1, {L"IDOK", kEnd}, {"checks", "prereqs", "dialog", "launch"}, 0},
        {2, {L"IDCANCEL", kEnd}, {"checks", "prereqs", "dialog"}, 2},
        {3, {L"IDCANCEL", kEnd}, {"checks", "prereqs", "dialog"}, 3},  // a failed install launches nothing
        {0, {kEnd}, {"checks", "prereqs", "dialog"}, 2},
    };
    for (const Case& c : cases) {
        ScopedFakeMachine run;
        RecordingSteps caseSteps;
        caseSteps.dialogResult = c.result;
        caseSteps.mutexes = &run.mutexes;
        SetupApp app(caseSteps);
        app.InitInstance();
        EXPECT_EQ(app.ExitCode(), c.exitCode) << "result " << c.result;
        std::vector<std::wstring> texts = LogEntries(run);
        ASSERT_GE(texts.size(), 4u);
        EXPECT_EQ(std::vector<std::wstring>(texts.begin() + 4, texts.end()), c.logTail) << "result " << c.result;
        EXPECT_EQ(caseSteps.calls, c.calls) << "result " << c.result;
        // Both mutexes are gone when the application starts, so it cannot find them.
        if (c.result == kRunInstalled) {
            EXPECT_EQ(caseSteps.mutexesClosedAtLaunch, 2u);
        }
    }
}

TEST_F(StartupTest, ANonAdministratorIsRefused) {
    machine.security.groups = platform::fakes::FakeSecurity::StandardUser();
    EXPECT_FALSE(InitInstance());
    const std::wstring refusal = L"You must have administrator privileges to install KORVO Skelv.";
    EXPECT_EQ(LogTexts(),
              (std::vector<std::wstring>{kBegin, L"IN-> IsUserAdmin()", L"OUT-> IsUserAdmin()", refusal, kEnd}));
    ASSERT_EQ(machine.desktop.shown.size(), 1u);
    EXPECT_EQ(machine.desktop.shown[0].text, refusal);
    EXPECT_EQ(machine.desktop.shown[0].caption, L"KORVO Skelv Setup");
    EXPECT_EQ(machine.desktop.shown[0].icon, MessageIcon::Error);
    EXPECT_TRUE(machine.mutexes.created.empty());
    EXPECT_TRUE(steps.calls.empty());
    EXPECT_EQ(exitCode, kExitRefused);
}

TEST_F(StartupTest, ASecondSetupInTheSessionPointsAtTheFirstAndLeaves) {
    machine.mutexes.existing.insert(kSessionMutex);
    EXPECT_FALSE(InitInstance());
    EXPECT_EQ(LogTexts(), (std::vector<std::wstring>{kBegin, L"IN-> IsUserAdmin()", L"OUT-> IsUserAdmin()"}));
    ASSERT_EQ(machine.desktop.shown.size(), 1u);
    EXPECT_EQ(machine.desktop.shown[0].text, L"Another KORVO Skelv installation is in progress.");
    EXPECT_EQ(machine.desktop.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(machine.desktop.broughtToFront, std::vector<std::wstring>{L"KORVOSkelvClass"});
    EXPECT_EQ(machine.mutexes.created, std::vector<std::wstring>{kSessionMutex});
    EXPECT_TRUE(steps.calls.empty());
    EXPECT_EQ(exitCode, kExitRefused);
}

TEST_F(StartupTest, ASetupInAnotherSessionDoesNotStopThisOne) {
    machine.mutexes.existing.insert(kGlobalMutex);  // only the machine-wide name exists
    InitInstance();
    EXPECT_EQ(steps.calls, (std::vector<std::string>{"checks", "prereqs", "dialog"}));
}

TEST_F(StartupTest, FailureToCreateTheSessionMutexEndsSilently) {
    machine.mutexes.failures[kSessionMutex] = 5;
    InitInstance();
    EXPECT_EQ(LogTexts(), (std::vector<std::wstring>{kBegin, L"IN-> IsUserAdmin()", L"OUT-> IsUserAdmin()"}));
    EXPECT_TRUE(machine.desktop.shown.empty());
    EXPECT_TRUE(steps.calls.empty());
    EXPECT_EQ(exitCode, kExitRefused);
}

TEST_F(StartupTest, FailureToCreateTheMachineWideMutexLogsTheReason) {
    struct Case {
        std::uint32_t error;
        std::wstring systemText;
        std::wstring logged;
    };
    const Case cases[] = {{5, L"Access is denied.", L"Access is denied."}, {1234, L"", L"Error creating mutex"}};
    for (const Case& c : cases) {
        ScopedFakeMachine run;
        run.mutexes.failures[kGlobalMutex] = c.error;
        if (!c.systemText.empty()) run.systemTexts.texts[c.error] = c.systemText;
        RecordingSteps caseSteps;
        SetupApp app(caseSteps);
        app.InitInstance();
        EXPECT_EQ(app.ExitCode(), kExitRefused);
        std::string log = run.files.Contents(SetupLog::GetFilePath());
        EXPECT_NE(log.find(": " + platform::ToUtf8(c.logged) + "\r\n"), std::string::npos) << log;
        EXPECT_EQ(LogEntries(run).back(), kEnd);
        EXPECT_TRUE(caseSteps.calls.empty());
    }
}

TEST_F(StartupTest, ATestServerIsAnnouncedBeforeTheVersionLine) {
    ProcessSettings settings;
    settings.downloadServer = L"127.0.0.1:8081";
    ScopedProcessSettings scope(settings);
    InitInstance();
    ASSERT_EQ(machine.desktop.shown.size(), 1u);
    EXPECT_EQ(machine.desktop.shown[0].text, L"Internal test for KORVOSkelv from 127.0.0.1:8081");
    EXPECT_EQ(machine.desktop.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(LogTexts(), (std::vector<std::wstring>{kBegin, L"IN-> IsUserAdmin()", L"OUT-> IsUserAdmin()",
                                                     L"Internal test for KORVOSkelv from 127.0.0.1:8081",
                                                     L"Version 06-11-2009.20.00", L"IDCANCEL", kEnd}));
}

// A stand-in for the install worker: registered by the dialog before it starts, it writes log lines
// until told to stop, then a last line, then unregisters.
class StandInWorker {
public:
    void Start() {
        RegisterRunningWorker();
        thread_ = TestThread([this] {
            while (!stop_.load()) SetupLog::Write(L"worker line " + std::to_wstring(++written_));
            SetupLog::Write(L"worker done");
            UnregisterRunningWorker();
        });
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    int Written() const { return written_.load(); }
    ~StandInWorker() { Stop(); }

private:
    TestThread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> written_{0};
};

TEST_F(StartupTest, StartUpWaitsForAWorkerThatIsStillCleaningUpBeforeItGoesOn) {
    StandInWorker worker;
    steps.dialogResult = kRunInstalled;
    // The dialog has closed while the worker still cleans up; it stops a little later.
    TestThread stopper;
    steps.onDialog = [&] {
        worker.Start();
        stopper = TestThread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            worker.Stop();
        });
    };
    InitInstance();
    stopper.join();

    std::vector<std::wstring> texts = LogTexts();
    auto done = std::find(texts.begin(), texts.end(), L"worker done");
    auto launched = std::find(texts.begin(), texts.end(), L"IDOK");
    ASSERT_NE(done, texts.end());
    ASSERT_NE(launched, texts.end());
    EXPECT_LT(done, launched) << "the worker's last line comes before start-up goes on";
    EXPECT_EQ(std::count(texts.begin(), texts.end(), L"Install worker still running at exit"), 0);
    EXPECT_EQ(texts.back(), kEnd);
}

// The wait comes before the mutexes go: a new setup must not start while the package folder of
// this one is still being cleaned.
TEST_F(StartupTest, TheMutexesStayUntilTheWorkerHasEnded) {
    steps.dialogResult = kRunInstalled;
    std::atomic<std::size_t> closedAtWorkerEnd{99};
    TestThread worker;
    steps.onDialog = [&] {
        RegisterRunningWorker();
        worker = TestThread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            closedAtWorkerEnd = machine.mutexes.closed.size();
            UnregisterRunningWorker();
        });
    };
    InitInstance();
    worker.join();
    EXPECT_EQ(closedAtWorkerEnd.load(), 0u);
    EXPECT_EQ(machine.mutexes.closed.size(), 2u);
}

TEST_F(StartupTest, AWorkerThatOverrunsTheWaitIsLoggedAndKeepsWriting) {
    StandInWorker worker;
    steps.onDialog = [&] { worker.Start(); };
    SetupApp(steps, 1).InitInstance();
    const int writtenAtReturn = worker.Written();
    // Still running after start-up has returned: let it write some more lines, then end it.
    for (int i = 0; i < 1000 && worker.Written() < writtenAtReturn + 5; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    worker.Stop();

    std::vector<std::wstring> texts = LogTexts();
    auto timeout = std::find(texts.begin(), texts.end(), L"Install worker still running at exit");
    ASSERT_NE(timeout, texts.end());
    // The worker goes on writing meanwhile, so only its lines and start-up's last ones may stand
    // between the two.
    auto end = std::find(timeout, texts.end(), kEnd);
    ASSERT_NE(end, texts.end());
    EXPECT_TRUE(std::all_of(
        timeout + 1, end, [](const std::wstring& t) { return t.rfind(L"worker line ", 0) == 0 || t == L"IDCANCEL"; }));
    EXPECT_GE(worker.Written(), writtenAtReturn + 5);
    EXPECT_EQ(texts.back(), L"worker done");
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                            [](const std::wstring& t) { return t.rfind(L"worker line ", 0) == 0; }),
              worker.Written())
        << "no worker line is lost";
}

TEST(StartupLanguage, TextsAndLogFollowTheUsersLanguage) {
    struct Case {
        LanguageId language;
        std::string firstLogLine;     // bytes after the time stamp
        std::wstring refusalCaption;  // the message box shows the real letters
    };
    const Case cases[] = {
        {0x0C07, "Beginn des Bootstrap-Setups f\xFCr die Installation von KORVO Skelv", L"KORVO Skelv Setup"},
        {0x0816, "Begin bootstrap setup for KORVO Skelv installation", L"KORVO Skelv Setup"},
        // Japanese letters become "?" in the log; the product name stays readable.
        {0x0411, "KORVO Skelv ??????????????????? ????????????", L"KORVO Skelv \u30bb\u30c3\u30c8\u30a2\u30c3\u30d7"},
    };
    for (const Case& c : cases) {
        ScopedFakeMachine machine;
        machine.language.language = c.language;
        machine.security.groups = platform::fakes::FakeSecurity::StandardUser();
        RecordingSteps steps;
        SetupApp(steps).InitInstance();
        std::string log = machine.files.Contents(SetupLog::GetFilePath());
        std::string first = log.substr(0, log.find("\r\n"));
        EXPECT_EQ(first.substr(first.find(": ") + 2), c.firstLogLine) << "language " << c.language;
        ASSERT_EQ(machine.desktop.shown.size(), 1u);
        EXPECT_EQ(machine.desktop.shown[0].caption, c.refusalCaption);
    }
}

}  // namespace
