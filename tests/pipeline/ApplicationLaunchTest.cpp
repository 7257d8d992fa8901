// The installed product's launch: its command line from the registered one and the launch
// identifier, and the start on a fake machine.
#include <gtest/gtest.h>

#include "core/ProcessSettings.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/ApplicationLaunch.h"
#include "tests/support/FakeMachineLog.h"

namespace {

using Lines = std::vector<std::wstring>;

const std::wstring kKey = L"SOFTWARE\\Halvorsk\\KORVOSkelv";

TEST(LaunchCommandLine, TheFirstPlaceholderTakesTheIdentifier) {
    struct Case {
        std::wstring cmdLine, launchId, expected;
    };
    const Case cases[] = {
        {L"app.exe -open {0}", L"42", L"app.exe -open  42 "},
        {L"C:\\Skelv\\app.exe -a {0} -b x", L"42", L"C:\\Skelv\\app.exe -a  42  -b x"},
        // A "0", "{" or "}" elsewhere is part of the command.
        {L"C:\\Skelv 2010\\app.exe {0}", L"42", L"C:\\Skelv 2010\\app.exe  42 "},
        {L"app.exe -mode 0 -set {x} {0}", L"42", L"app.exe -mode 0 -set {x}  42 "},
        {L"app.exe {0} {0}", L"7", L"app.exe  7  {0}"},
        // Without a placeholder the identifier follows after a blank.
        {L"app.exe -open", L"42", L"app.exe -open 42 "},
        {L"app.exe {0}", L"id with blanks", L"app.exe  \"id with blanks\" "},
        // A double quote in the identifier is escaped rather than ending its argument early.
        {L"app.exe -id {0} -x", L"a \"b", L"app.exe -id  \"a \\\"b\"  -x"},
        {L"app.exe -id {0} -x", L"a\"b", L"app.exe -id  \"a\\\"b\"  -x"},
    };
    for (const Case& c : cases) EXPECT_EQ(LaunchCommandLine(c.cmdLine, c.launchId), c.expected) << c.cmdLine;
}

TEST(LaunchInstalledApplication, StartsTheProductOrSaysWhyNot) {
    struct Case {
        const char* name;
        std::optional<std::wstring> launchId;
        const wchar_t* valueName;  // of the product key; nullptr: no key
        std::uint32_t startError;
        Lines log;
    };
    const std::wstring longId(300, L'7');
    const std::wstring missing = L"Cannnot query key value HKLM\\" + kKey + L"\\CmdLine.";
    const Case cases[] = {
        {"started", L"42", L"CmdLine", 0, {L"launch = C:\\Skelv\\app.exe -id  42 "}},
        {"a long identifier, whole", longId, L"CmdLine", 0, {L"launch = C:\\Skelv\\app.exe -id  " + longId + L" "}},
        {"start failed",
         L"42",
         L"CmdLine",
         2,
         {L"launch = C:\\Skelv\\app.exe -id  42 ", L"Create Process failed rc = 2"}},
        {"no launch identifier", std::nullopt, L"CmdLine", 0, {}},
        // Blanking the placeholder out would hand the placeholder's option the next option as its value.
        {"an empty launch identifier", std::wstring(), L"CmdLine", 0, {}},
        {"no key", L"42", nullptr, 0, {}},
        {"no CmdLine", L"42", L"InstallPath", 0, {missing}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessSettings settings;
        settings.launchId = c.launchId;
        ScopedProcessSettings scopedSettings(settings);
        platform::fakes::ScopedFakeMachine machine;
        if (c.valueName != nullptr)
            machine.registry.Set(platform::RootKey::LocalMachine, kKey, c.valueName,
                                 platform::fakes::FakeRegistry::Utf16(L"C:\\Skelv\\app.exe -id {0}"));
        machine.children.startError = c.startError;

        LaunchInstalledApplication();
        EXPECT_EQ(LogEntries(machine), c.log);
        EXPECT_EQ(machine.registry.opened.empty(), !c.launchId || c.launchId->empty());
        bool started = c.log.size() >= 1 && c.log[0].rfind(L"launch = ", 0) == 0;
        ASSERT_EQ(machine.children.started.size(), started ? 1u : 0u);
        if (!started) continue;
        EXPECT_EQ(L"launch = " + machine.children.started[0].commandLine, c.log[0]);
        EXPECT_EQ(machine.children.started[0].application, L"");
        EXPECT_TRUE(machine.children.started[0].inheritHandles);
        EXPECT_TRUE(machine.children.waits.empty());  // never waited for
        EXPECT_EQ(machine.children.openChildren, 0);  // its handles are closed at once
    }
}

}  // namespace
