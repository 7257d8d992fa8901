// The texture expansion and the graphics optimizer on a fake machine: the tools are scripted
// children, the product key a fake registry, the user a scripted message box.
#include <gtest/gtest.h>

#include "core/ProcessState.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/PostInstallTools.h"
#include "setup/ProductKey.h"
#include "setup/WorkerMessages.h"
#include "tests/pipeline/StatusNotes.h"
#include "tests/support/FakeMachineLog.h"
#include "tests/support/ProcessCounters.h"

namespace {

using platform::MessageAnswer;
using Lines = std::vector<std::wstring>;
using platform::fakes::FakeRegistry;

const std::wstring kKey = L"SOFTWARE\\Halvorsk\\KORVOSkelv";
const std::wstring kTextureCommand =
    L"\"C:\\Product\\intel_a\\code\\bin\\VolTexturesGeneration.exe\" -p  \"C:\\Product\\intel_a\" -hWnd 4660";
const std::wstring kNotFoundText = L"The system cannot find the file specified.\r\n";

class PostInstallTools : public ::testing::Test {
protected:
    PostInstallTools() {
        ReceiveStatusNotes(machine);
        SetInstallPath(L"C:\\Product\\intel_a");
        machine.systemTexts.texts = {{2, kNotFoundText}, {6, L"The handle is invalid.\r\n"}};
        machine.desktop.answer = MessageAnswer::No;
        machine.desktop.whileOpen = [this] { barWhileAsked.push_back(ProgressDisplayEnabled.load()); };
    }
    void SetInstallPath(const std::wstring& path) {
        machine.registry.Set(platform::RootKey::LocalMachine, kKey, L"InstallPath", FakeRegistry::Utf16(path));
    }
    // The machine as a test case found it, apart from the product key.
    void Reset() {
        CancelRequested = 0;
        machine.children = {};
        machine.windows.posted.clear();
        machine.files.files.clear();
        machine.desktop.shown.clear();
        barWhileAsked.clear();
    }
    std::size_t StatusPosts() const {
        std::size_t count = 0;
        for (const auto& posted : machine.windows.Snapshot())
            count += posted.message == worker_message::kInstallStatus && posted.window == context.window;
        return count;
    }

    ScopedProcessCounters counters_;
    platform::fakes::ScopedFakeMachine machine;
    std::vector<std::int32_t> barWhileAsked;  // ProgressDisplayEnabled while each question was open
    InstallContext context{reinterpret_cast<platform::WindowHandle>(0x1234), L""};
};

TEST_F(PostInstallTools, TextureExpansionEnds) {
    struct Case {
        const char* name;
        std::uint32_t exitCode;
        int cancelAtRead = 0;  // the user presses Cancel just before this exit-code read
        MessageAnswer answer = MessageAnswer::No;
        int failingRead = 0;
        std::uint32_t startError = 0;
        int result = 0;
        Lines end{};  // the log lines after the command line
        std::size_t waits = 0;
        std::wstring status = L"Expanding textures and launching Graphic Optimizer...";
    };
    const std::wstring failed = L"Command " + kTextureCommand + L" failed with return code  ";
    const std::wstring ko = L"OUT->ExpandTextures::Expand ()KO", cancel = L"OUT->ExpandTextures::Expand () CANCEL";
    const Case cases[] = {
        {"done", 0, 0, MessageAnswer::No, 0, 0, 0, {L"OUT->ExpandTextures::Expand () OK"}, 4},
        {"cancelled by the tool", 2, 0, MessageAnswer::No, 0, 0, 2, {L"", cancel}, 4},
        {"cancelled by the user",
         0,
         2,
         MessageAnswer::Yes,
         0,
         0,
         2,
         {L"Setup was interrupted by user during Expand Textures", cancel},
         1,
         L"Cancel in progress..."},
        {"the user goes on", 0, 2, MessageAnswer::No, 0, 0, 0, {L"OUT->ExpandTextures::Expand () OK"}, 4},
        {"failed", 5, 0, MessageAnswer::No, 0, 0, 5, {failed + L"5", ko}, 4},
        {"exit code unreadable", 0, 0, MessageAnswer::No, 2, 0, -2, {failed + L"-2", ko}, 1},
        {"a real exit code of 259", 259, 0, MessageAnswer::No, 0, 0, 259, {failed + L"259", ko}, 4},
        {"start failed",
         0,
         0,
         MessageAnswer::No,
         0,
         2,
         -2,
         {L"Create Process  " + kTextureCommand + L" failed rc = 2", ko}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        machine.children.waitsToEnd = 3;
        machine.children.exitCode = c.exitCode;
        machine.children.failingRead = c.failingRead;
        machine.children.startError = c.startError;
        machine.children.onRead = [&c](int read) { CancelRequested += read == c.cancelAtRead; };
        machine.desktop.answer = c.answer;
        EXPECT_EQ(ExpandTextures::Expand(L"Expanding textures and launching Graphic Optimizer...", &context), c.result);

        Lines expected{L"IN->ExpandTextures::Expand ()", L"C:\\Product\\intel_a", kTextureCommand};
        expected.insert(expected.end(), c.end.begin(), c.end.end());
        EXPECT_EQ(LogEntries(machine), expected);
        std::vector<std::uint32_t> waits(c.waits, 100);
        if (c.answer == MessageAnswer::Yes) waits.push_back(5000);  // the stopped tool lets go of its files
        EXPECT_EQ(machine.children.waits, waits);
        EXPECT_EQ(machine.children.terminated, c.answer == MessageAnswer::Yes ? 1 : 0);
        EXPECT_EQ(machine.children.openChildren, 0);
        EXPECT_EQ(context.statusText, c.status);
        EXPECT_EQ(StatusPosts(), c.answer == MessageAnswer::Yes ? 2u : 1u);
        ASSERT_EQ(machine.desktop.shown.size(), c.cancelAtRead == 0 ? 0u : 1u);
        if (c.cancelAtRead != 0) {
            EXPECT_EQ(machine.desktop.shown[0].caption, L"KORVO Skelv Setup");
            EXPECT_EQ(machine.desktop.shown[0].text, L"Are you sure you want to cancel KORVO Skelv installation?");
            EXPECT_EQ(barWhileAsked, std::vector<std::int32_t>{0});  // the bar stands still meanwhile
        }
        EXPECT_EQ(CancelRequested.load(), c.answer == MessageAnswer::Yes ? 1 : 0);
        EXPECT_EQ(ProgressDisplayEnabled.load(), 1);
        ASSERT_EQ(machine.children.started.size(), 1u);
        EXPECT_EQ(machine.children.started[0].application, L"");
        EXPECT_TRUE(machine.children.started[0].inheritHandles);
    }
}

TEST_F(PostInstallTools, OptimizerEnds) {
    struct Case {
        const char* name;
        int waitsToEnd;
        std::uint32_t exitCode = 0;
        int failingRead = 0;
        std::uint32_t startError = 0;
        int result = 0;
        Lines end{};
    };
    const std::wstring command =
        L"\"C:\\Product\\intel_a\\code\\bin\\VolSTART.exe\" -run "
        L"\"LumoGraphicsOptimizerApplication\" -env KORVO_Skelv -direnv \"C:\\Product\\VolEnv\" "
        L"-nowindow";
    const std::wstring ko = L"OUT->LaunchGraphicOptimizer KO";
    const Case cases[] = {
        {"done", 1, 0, 0, 0, 0, {L"OUT->LaunchGraphicOptimizer OK"}},
        {"failed", 1, 5, 0, 0, 5, {L"Command " + command + L" failed with return code  5", ko}},
        {"a real exit code of 259", 1, 259, 0, 0, 259, {L"Command " + command + L" failed with return code  259", ko}},
        {"past the minute", 2, 0, 0, 0, 0, {L"OUT->LaunchGraphicOptimizer Killed ( maxtime exceeded)"}},
        {"start failed", 1, 0, 0, 2, -2, {kNotFoundText, ko}},
        {"start failed, no system text", 1, 0, 0, 1234, -2, {L"", ko}},
        {"exit code unreadable", 1, 0, 1, 0, -2, {L"The handle is invalid.\r\n", ko}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        machine.children.waitsToEnd = c.waitsToEnd;
        machine.children.exitCode = c.exitCode;
        machine.children.failingRead = c.failingRead;
        machine.children.startError = c.startError;
        EXPECT_EQ(LaunchGraphicOptimizer(), c.result);
        Lines expected{L"IN->LaunchGraphicOptimizer ()", L"C:\\Product\\intel_a", command};
        expected.insert(expected.end(), c.end.begin(), c.end.end());
        EXPECT_EQ(LogEntries(machine), expected);
        EXPECT_EQ(machine.children.terminated, c.waitsToEnd > 1 ? 1 : 0);
        EXPECT_EQ(machine.children.openChildren, 0);
        EXPECT_EQ(machine.children.started.at(0).application, L"");
        EXPECT_TRUE(machine.children.started.at(0).inheritHandles);
        EXPECT_EQ(machine.children.waits, std::vector<std::uint32_t>(c.startError == 0 ? 1 : 0, 60000));
    }
}

// The optimizer's environment folder is the installation folder cut at "intel_a", then "VolEnv";
// paths go in quotes, a trailing backslash doubled so that it does not escape the closing quote.
TEST_F(PostInstallTools, CommandLines) {
    struct Case {
        std::wstring installPath, quotedInstallPath, environmentFolder;
    };
    const Case cases[] = {
        {L"C:\\Product\\intel_a", L"\"C:\\Product\\intel_a\"", L"C:\\Product\\VolEnv"},
        {L"C:\\Product", L"\"C:\\Product\"", L"C:\\ProductVolEnv"},
        {L"D:\\intel_a\\x\\intel_a", L"\"D:\\intel_a\\x\\intel_a\"", L"D:\\VolEnv"},
        {L"C:\\Program Files\\intel_a", L"\"C:\\Program Files\\intel_a\"", L"C:\\Program Files\\VolEnv"},
        {L"C:\\Product\\", L"\"C:\\Product\\\\\"", L"C:\\Product\\VolEnv"},
    };
    for (const Case& c : cases) {
        Reset();
        SetInstallPath(c.installPath);
        ExpandTextures::Expand(L"s", &context);
        LaunchGraphicOptimizer();
        ASSERT_EQ(machine.children.started.size(), 2u);
        EXPECT_EQ(machine.children.started[0].commandLine, L"\"" + c.installPath +
                                                               L"\\code\\bin\\VolTexturesGeneration.exe\" -p  " +
                                                               c.quotedInstallPath + L" -hWnd 4660");
        EXPECT_EQ(
            machine.children.started[1].commandLine,
            L"\"" + c.installPath +
                L"\\code\\bin\\VolSTART.exe\" -run \"LumoGraphicsOptimizerApplication\" -env KORVO_Skelv -direnv \"" +
                c.environmentFolder + L"\" -nowindow");
    }
    // Without a context the tool gets no window to report to; nothing is posted.
    Reset();
    SetInstallPath(L"C:\\Product\\intel_a");
    EXPECT_EQ(ExpandTextures::Expand(L"s", nullptr), 0);
    EXPECT_EQ(machine.children.started.at(0).commandLine,
              L"\"C:\\Product\\intel_a\\code\\bin\\VolTexturesGeneration.exe\" -p  \"C:\\Product\\intel_a\" -hWnd 0");
    EXPECT_TRUE(machine.windows.posted.empty());
}

// A value counts only when its text ends inside the 1024-byte buffer; a missing key or value, and
// one that does not fit, fail both tools before anything starts.
TEST_F(PostInstallTools, InstallPathReadings) {
    struct Case {
        const char* name;
        std::optional<platform::RegistryValue> value;
        std::optional<std::wstring> text;
        const wchar_t* valueName = L"InstallPath";
    };
    const Case cases[] = {
        {"terminated", FakeRegistry::Utf16(L"C:\\P"), L"C:\\P"},
        {"text before its terminator only", FakeRegistry::Utf16(std::wstring(L"C:\\P\0junk", 9)), L"C:\\P"},
        {"unterminated, room left in the buffer", FakeRegistry::Utf16(L"C:\\P", false), std::nullopt},
        {"unterminated, filling the buffer", FakeRegistry::Utf16(std::wstring(512, L'a'), false), std::nullopt},
        {"filling the buffer with its terminator", FakeRegistry::Utf16(std::wstring(511, L'a')),
         std::wstring(511, L'a')},
        {"larger than the buffer", FakeRegistry::Utf16(std::wstring(512, L'a')), std::nullopt},
        {"empty", FakeRegistry::Utf16(L""), std::nullopt},
        {"a number", platform::RegistryValue{FakeRegistry::kNumber, {0x43, 0, 0, 0}}, std::nullopt},
        {"no key", std::nullopt, std::nullopt},
        {"a key without the value", FakeRegistry::Utf16(L"app.exe {0}"), std::nullopt, L"CmdLine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        platform::fakes::FakeRegistry registry;
        if (c.value) registry.Set(platform::RootKey::LocalMachine, kKey, c.valueName, *c.value);
        machine.registry = registry;
        EXPECT_EQ(ReadProductKeyText(L"InstallPath"), c.text);
        if (c.text) continue;

        const bool keyMissing = !c.value;
        const std::wstring expandLine = keyMissing ? L"Cannnot open registry key HKLM\\" + kKey + L" - rc = 2"
                                                   : L"Cannnot query key value HKLM\\" + kKey + L"\\InstallPath.";
        const std::wstring optimizerLine = keyMissing ? L"Cannnot open registry key HKLM\\" + kKey + L"."
                                                      : L"Cannnot query key value HKLM\\" + kKey + L"\\InstallPath.";
        EXPECT_EQ(ExpandTextures::Expand(L"s", &context), -2);
        EXPECT_EQ(LaunchGraphicOptimizer(), -2);
        EXPECT_EQ(LogEntries(machine), (Lines{L"IN->ExpandTextures::Expand ()", expandLine,
                                              L"OUT->ExpandTextures::Expand ()KO", L"IN->LaunchGraphicOptimizer ()",
                                              optimizerLine + kNotFoundText, L"OUT->LaunchGraphicOptimizer KO"}));
        EXPECT_TRUE(machine.children.started.empty());
        EXPECT_TRUE(machine.windows.posted.empty());
    }
}

}  // namespace
