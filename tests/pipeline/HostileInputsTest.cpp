// Odd inputs the installation steps meet outside the program's control (the product key's values,
// the launch identifier of the environment), and the program's own install worker from its start
// to its last act.
#include <gtest/gtest.h>

#include "checks/StartupCheckResults.h"
#include "core/InstallPaths.h"
#include "core/ProcessSettings.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/ApplicationLaunch.h"
#include "setup/InstallWorker.h"
#include "setup/PostInstallTools.h"
#include "setup/ProductKey.h"
#include "setup/RunningWorker.h"
#include "setup/WorkerMessages.h"
#include "tests/pipeline/StatusNotes.h"
#include "tests/support/FakeMachineLog.h"

namespace {

using platform::RegistryValue;
using Lines = std::vector<std::wstring>;

const std::wstring kKey = L"SOFTWARE\\Halvorsk\\KORVOSkelv";
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;

RegistryValue Bytes(std::uint32_t type, const std::wstring& text, bool terminated) {
    RegistryValue value{type, {}};
    for (wchar_t c : text + (terminated ? std::wstring(1, L'\0') : std::wstring()))
        value.data.insert(value.data.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
    return value;
}

// A product key value counts only as a terminated text: one stored without its terminator, or
// stored as a number, is not a path or a command line the tools may be started with.
TEST(ProductKeyTexts, OnlyTerminatedTextValuesCount) {
    struct Case {
        const char* name;
        RegistryValue value;
        std::optional<std::wstring> text;
    };
    const Case cases[] = {
        {"terminated text", Bytes(kRegSz, L"C:\\P", true), L"C:\\P"},
        {"text without its terminator", Bytes(kRegSz, L"C:\\P", false), std::nullopt},
        {"a number", RegistryValue{kRegDword, {0x43, 0, 0, 0}}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::fakes::ScopedFakeMachine machine;
        machine.registry.Set(platform::RootKey::LocalMachine, kKey, L"InstallPath", c.value);
        EXPECT_EQ(ReadProductKeyText(L"InstallPath"), c.text);
    }
}

// The launch identifier comes from the environment: whatever it holds, the product sees it as one
// argument, so a double quote in it is escaped rather than ending the quoted text early.
TEST(LaunchIdentifier, ADoubleQuoteInItStaysInsideItsArgument) {
    EXPECT_EQ(LaunchCommandLine(L"app.exe -id {0} -x", L"a \"b"), L"app.exe -id  \"a \\\"b\"  -x");
    EXPECT_EQ(LaunchCommandLine(L"app.exe -id {0} -x", L"a\"b"), L"app.exe -id  \"a\\\"b\"  -x");
}

// An identifier that is defined but empty names no launch: the product is not started with its
// placeholder blanked out, which would hand the placeholder's option the next option as its value.
TEST(LaunchIdentifier, AnEmptyOneStartsNothing) {
    ProcessSettings settings;
    settings.launchId = std::wstring();
    ScopedProcessSettings scope(settings);
    platform::fakes::ScopedFakeMachine machine;
    machine.registry.Set(platform::RootKey::LocalMachine, kKey, L"CmdLine", Bytes(kRegSz, L"app.exe -id {0} -x", true));
    LaunchInstalledApplication();
    EXPECT_TRUE(machine.children.started.empty()) << "started: " << machine.children.started.size();
    EXPECT_EQ(LogEntries(machine), Lines{});
}

// The program's worker, not a scripted stand-in: it reads what start-up found, works through the
// steps, posts its end, cleans up and, as its last act, lets start-up go on.
TEST(InstallWorker, TheProgramsWorkerEndsAndLetsStartUpGoOn) {
    platform::fakes::ScopedFakeMachine machine;
    ReceiveStatusNotes(machine);
    StartupCheckResults& found = StartupResults();
    const StartupCheckResults saved = found;
    found.vc8PrereqNeeded = true;
    found.msxmlPrereqNeeded = false;
    ProcessSettings settings;
    settings.downloadServer = L"h\u00e9te.example";  // refused before any request: the download fails
    ScopedProcessSettings scope(settings);
    const platform::WindowHandle window = reinterpret_cast<platform::WindowHandle>(0x4d2);

    RegisterRunningWorker();
    EXPECT_EQ(ThreadDownloadInstall(new InstallContext{window, L""}), 3);
    EXPECT_TRUE(WaitForRunningWorkers(0)) << "start-up would wait for a worker that has ended";
    found = saved;

    std::vector<std::uint32_t> messages;
    Lines statuses;
    for (const auto& posted : machine.windows.Snapshot()) {
        messages.push_back(posted.message);
        if (posted.message == worker_message::kInstallStatus) statuses.push_back(posted.text);
    }
    EXPECT_EQ(statuses, Lines{L"Downloading VC8 prerequisites..."});
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), worker_message::kInstallFailed);
    EXPECT_EQ(LogEntries(machine).back(), L"OUT->ThreadDownloadInstall () KO ");
    ASSERT_FALSE(machine.removal.removed.empty());
    EXPECT_EQ(machine.removal.removed.back(), L"folder " + PackageFolder());
}

}  // namespace
