// The start-up chain on staged machines, with a real version server on loopback that counts the
// requests it gets: the first refusal ends the chain, and a refused system or adapter never
// reaches the network.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "checks/StartupCheckResults.h"
#include "checks/StartupChecks.h"
#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "platform/Text.h"
#include "platform/fakes/FakeMachine.h"
#include "tests/support/FakeMachineLog.h"
#include "setup/SetupApp.h"
#include "tests/support/LoopbackSocket.h"
#include "tests/support/TestThread.h"

namespace {

using platform::OsVersionRecord;
using platform::fakes::FakeRegistry;
using platform::fakes::ScopedFakeMachine;

const std::wstring kProductUpgradeCode = L"{5E1A7C42-90B3-4F6E-A2D8-3C71B94E0F15}";
const std::wstring kProductCode = L"{11111111-2222-3333-4444-555555555555}";

// Answers every request on every connection with the same version file, and counts the requests.
class CountingVersionServer {
public:
    explicit CountingVersionServer(std::string versionFile) : body_(std::move(versionFile)) {
        listener_ = loopback::Listen(&port_);
        thread_ = TestThread([this] { Serve(); });
    }
    ~CountingVersionServer() {
        stopping_ = true;
        thread_.join();
        loopback::Close(listener_);
    }
    std::wstring Host() const { return L"127.0.0.1:" + std::to_wstring(port_); }
    int Requests() const { return requests_; }

private:
    void Serve() {
        while (!stopping_) {
            std::intptr_t connection = loopback::AcceptWithin(listener_, 1);
            if (connection < 0) continue;
            loopback::BoundReceives(connection, 10);
            std::string received;
            char buffer[4096];
            int got;
            while ((got = loopback::Receive(connection, buffer, sizeof buffer)) > 0) {
                received.append(buffer, static_cast<std::size_t>(got));
                for (std::size_t end; (end = received.find("\r\n\r\n")) != std::string::npos;) {
                    received.erase(0, end + 4);
                    ++requests_;
                    std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) +
                                         "\r\nConnection: close\r\n\r\n" + body_;
                    loopback::Send(connection, answer.data(), static_cast<int>(answer.size()));
                }
            }
            loopback::Close(connection);
        }
    }

    std::string body_;
    int port_ = 0;
    std::intptr_t listener_ = -1;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    TestThread thread_;
};

bool Logged(const std::vector<std::wstring>& log, const std::wstring& text) {
    return std::find(log.begin(), log.end(), text) != log.end();
}

// A machine that passes every check unless a test spoils one: Windows 7, a 256 MiB adapter, the
// product installed in 1.0.0, a server offering 1.0.1, plenty of disk space.
class ChainTest : public ::testing::Test {
protected:
    ChainTest() : server_("PNQ1\t" + platform::ToUtf8(kProductUpgradeCode) + "\t1.0.1\r\n") {
        StartupResults() = StartupCheckResults{};
        machine.installer.related[kProductUpgradeCode] = {kProductCode};
        machine.installer.versions[kProductCode] = L"1.0.0";
        ProcessSettings values;
        values.downloadServer = server_.Host();
        values.socketDriverRequested = true;
        settings_.emplace(values);
    }
    ~ChainTest() override { settings_.reset(); }

    std::vector<std::wstring> LogTexts() const { return LogEntries(machine); }
    int Requests() const { return server_.Requests(); }

    ScopedFakeMachine machine;

private:
    CountingVersionServer server_;
    std::optional<ScopedProcessSettings> settings_;
};

TEST_F(ChainTest, APassingMachineRunsEveryCheckAndAsksTheServerOnce) {
    RunStartupChecks();
    const StartupCheckResults& results = StartupResults();
    EXPECT_TRUE(results.checksPassed);
    EXPECT_TRUE(results.failureMessage.empty());
    EXPECT_TRUE(results.upgradeAvailable);
    EXPECT_EQ(Requests(), 1);
    EXPECT_EQ(machine.disk.askedFolders.size(), 1u);
    auto log = LogTexts();
    EXPECT_TRUE(Logged(log, L"OUT-> IsOSAuthorized() - OK "));
    EXPECT_TRUE(Logged(log, L"OUT-> IsVideoCardOK() - OK "));
    EXPECT_TRUE(Logged(log, L"OUT->CheckNeedInstall  returns true"));
    EXPECT_TRUE(Logged(log, L"OUT-> IsEnoughDiskSpace() - OK "));
}

// Each refusal, the checks it must not reach, and that the network stays untouched before the
// version check.
TEST_F(ChainTest, TheFirstRefusalEndsTheChain) {
    struct Case {
        const char* name;
        void (*spoil)(platform::fakes::FakeMachine&);
        std::wstring lastLine;             // the refusing check's OUT line
        std::vector<std::wstring> absent;  // lines of checks that must not run
        int requests;
        std::wstring messageStart;
    };
    const std::wstring videoIn = L"IN-> IsVideoCardOK()", versionIn = L"IN->CheckNeedInstall ()",
                       diskIn = L"IN-> IsEnoughDiskSpace()";
    const Case cases[] = {
        {"Windows 2000",
         [](platform::fakes::FakeMachine& m) {
             m.system.version = OsVersionRecord{2, 5, 0, 4, 1};
         },
         L"OUT-> IsOSAuthorized() - KO ",
         {videoIn, versionIn, diskIn},
         0,
         L"Setup requires Windows XP"},
        {"unreadable version",
         [](platform::fakes::FakeMachine& m) { m.system.version.reset(); },
         L"OUT-> IsOSAuthorized() - KO ",
         {videoIn, versionIn, diskIn},
         0,
         L""},
        {"S3 adapter",
         [](platform::fakes::FakeMachine& m) {
             m.display.devices = {{5, L"\\Registry\\Machine\\System\\Video\\{0}\\0000"}};
             m.registry.Set(platform::RootKey::LocalMachine, L"SYSTEM\\VIDEO\\{0}\\0000",
                            L"HardwareInformation.AdapterString",
                            FakeRegistry::Utf16(L"S3 Graphics ProSavage", true, FakeRegistry::kBinary));
         },
         L"OUT-> IsVideoCardOK() - KO",
         {versionIn, diskIn},
         0,
         L"Your hardware configuration"},
        {"installed version is the server's",
         [](platform::fakes::FakeMachine& m) { m.installer.versions[kProductCode] = L"1.0.1"; },
         L"OUT->CheckNeedInstall  returns false",
         {diskIn},
         1,
         L"The latest version of KORVO Skelv is already installed."},
        {"too little disk space",
         [](platform::fakes::FakeMachine& m) { m.disk.answer.bytesAvailableToCaller = 1024; },
         L"OUT-> IsEnoughDiskSpace() - KO",
         {},
         1,
         L"KORVO Skelv installation requires at least 120 MB."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedFakeMachine staged;
        staged.installer = machine.installer;
        StartupResults() = StartupCheckResults{};
        int requestsBefore = Requests();
        c.spoil(staged);

        RunStartupChecks();

        const StartupCheckResults& results = StartupResults();
        EXPECT_FALSE(results.checksPassed);
        EXPECT_EQ(results.failureMessage.rfind(c.messageStart, 0), 0u) << platform::ToUtf8(results.failureMessage);
        EXPECT_EQ(Requests() - requestsBefore, c.requests);
        auto log = LogEntries(staged);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), c.lastLine);
        for (const std::wstring& line : c.absent) EXPECT_FALSE(Logged(log, line)) << platform::ToUtf8(line);
    }
}

TEST_F(ChainTest, ThePrerequisiteScanRunsAfterAFailedChainToo) {
    machine.system.version = OsVersionRecord{2, 5, 1, 1, 1};  // XP SP1: refused
    machine.msxml.result = platform::MsxmlProbeResult{1, 101};
    RunStartupChecks();
    CheckAllPrereqs();
    const StartupCheckResults& results = StartupResults();
    EXPECT_FALSE(results.checksPassed);
    EXPECT_TRUE(results.vc8PrereqNeeded);  // no runtime package registered
    EXPECT_TRUE(results.msxmlPrereqNeeded);
    auto log = LogTexts();
    EXPECT_TRUE(Logged(log, L"IN->CheckAllPrereqs ()"));
    EXPECT_EQ(log.back(), L"OUT->CheckAllPrereqs ()");
    EXPECT_EQ(Requests(), 0);
}

// Start-up with the real checks: what the dialog is handed when the installed product is the
// server's version.
class RealChecksRecordingDialog final : public StartupSteps {
public:
    void RunStartupChecks() override { ::RunStartupChecks(); }
    void CheckAllPrereqs() override { ::CheckAllPrereqs(); }
    int ShowMainDialog() override {
        seen = StartupResults();
        return kRunCancelled;
    }
    void LaunchInstalledApplication() override {}
    std::optional<StartupCheckResults> seen;
};

TEST_F(ChainTest, TheDialogIsToldThatTheLatestVersionIsInstalled) {
    machine.installer.versions[kProductCode] = L"1.0.1";
    RealChecksRecordingDialog steps;
    SetupApp(steps).InitInstance();
    ASSERT_TRUE(steps.seen.has_value());
    EXPECT_FALSE(steps.seen->checksPassed);
    EXPECT_EQ(steps.seen->failureMessage,
              L"The latest version of KORVO Skelv is already installed.\nThere is no need to install it again.");
    EXPECT_FALSE(steps.seen->upgradeAvailable);
    EXPECT_TRUE(machine.disk.askedFolders.empty());
    EXPECT_EQ(Requests(), 1);
}

}  // namespace
