// Which server the setup downloads from, the URLs it builds and the per-run folders.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/fakes/FakeMachine.h"
#include "setup/DownloadServer.h"
#include "setup/InstallPaths.h"
#include "core/SetupLog.h"

namespace {

using platform::fakes::ScopedFakeMachine;

TEST(DownloadServer, DefaultHostWhenTheVariableIsUnset) {
    ScopedFakeMachine machine;
    DownloadServerSetting setting;
    EXPECT_FALSE(setting.IsCustom());
    EXPECT_EQ(setting.Server(), L"download.halvorsk.com");
    EXPECT_EQ(setting.UrlFor(L"KORVOSkelv_VERSION.txt"),
              L"http://download.halvorsk.com/downloads/skelv/skelv_v31/KORVOSkelv_VERSION.txt");
}

TEST(DownloadServer, TheVariableIsTakenWhole) {
    struct Case {
        const wchar_t* value;
        const wchar_t* url;
    };
    const Case cases[] = {
        {L"127.0.0.1:8081", L"http://127.0.0.1:8081/downloads/skelv/skelv_v31/KORVOSkelv.msi"},
        {L" test host ", L"http:// test host /downloads/skelv/skelv_v31/KORVOSkelv.msi"},  // not trimmed
        {L"", L"http:///downloads/skelv/skelv_v31/KORVOSkelv.msi"},  // defined but empty is still custom
    };
    for (const Case& c : cases) {
        ScopedFakeMachine machine;
        machine.environment.variables[L"KORVOSkelv_Server"] = c.value;
        DownloadServerSetting setting;
        EXPECT_TRUE(setting.IsCustom()) << "for '" << platform::ToUtf8(c.value) << "'";
        EXPECT_EQ(setting.Server(), c.value);
        EXPECT_EQ(setting.UrlFor(L"KORVOSkelv.msi"), c.url);
    }
}

TEST(DownloadServer, FileNamesAreUsedAsGiven) {
    ScopedFakeMachine machine;
    DownloadServerSetting setting;
    EXPECT_EQ(setting.UrlFor(L"Windows6.0-KB941179-x86.msu"),
              L"http://download.halvorsk.com/downloads/skelv/skelv_v31/Windows6.0-KB941179-x86.msu");
    EXPECT_EQ(setting.UrlFor(L"a b%20C.MSI"), L"http://download.halvorsk.com/downloads/skelv/skelv_v31/a b%20C.MSI");
}

TEST(DownloadServer, TheVariableIsReadOncePerProcess) {
    ScopedFakeMachine machine;
    DownloadServerSetting setting;
    EXPECT_FALSE(setting.IsCustom());
    machine.environment.variables[L"KORVOSkelv_Server"] = L"late.example";
    EXPECT_FALSE(setting.IsCustom());
    EXPECT_EQ(setting.Server(), L"download.halvorsk.com");

    ScopedFakeMachine other;
    other.environment.variables[L"KORVOSkelv_Server"] = L"first.example";
    DownloadServerSetting urlFirst;
    EXPECT_EQ(urlFirst.UrlFor(L"f"), L"http://first.example/downloads/skelv/skelv_v31/f");
    other.environment.variables.clear();
    EXPECT_TRUE(urlFirst.IsCustom());
}

TEST(DownloadServer, HelpAddressIgnoresTheServer) {
    // The process-wide setting is read once per process: check it in a process of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ScopedFakeMachine machine;
            machine.environment.variables[L"KORVOSkelv_Server"] = L"127.0.0.1:9";
            bool ok = HelpAddress() == L"http://support.halvorsk.com/skelvit/KORVO_Skelv/help/" &&
                      GetHelpUrl(HelpAddress()) == HelpAddress() &&
                      GetHelpUrl(L"anything at all") == L"anything at all" &&
                      IsCustomDownloadServer() && GetDownloadServer() == L"127.0.0.1:9" &&
                      BuildDownloadUrl(L"x.msi") == L"http://127.0.0.1:9/downloads/skelv/skelv_v31/x.msi";
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(InstallPaths, PackageFolderIsTempKorvosAndTheProcessIdInDecimal) {
    EXPECT_EQ(FormatPackageFolder(L"C:\\Temp\\", 1234), L"C:\\Temp\\KORVOS1234\\");
    EXPECT_EQ(FormatPackageFolder(L"C:\\Temp\\", 7), L"C:\\Temp\\KORVOS7\\");
    EXPECT_EQ(FormatPackageFolder(L"C:\\Temp\\", 4294967295u), L"C:\\Temp\\KORVOS4294967295\\");
    EXPECT_EQ(FormatPackageFolder(L"", 12), L"KORVOS12\\");
}

TEST(InstallPaths, PreparingCreatesAndLogsThePackageFolder) {
    ScopedFakeMachine machine;
    machine.process.processId = 1234;
    SetupLog::Write(L"begin");  // the run's log exists before the worker starts
    PrepareInstallPaths();
    EXPECT_EQ(TempPath(), L"C:\\Temp\\");
    EXPECT_EQ(PackageFolder(), L"C:\\Temp\\KORVOS1234\\");
    ASSERT_EQ(machine.files.createdFolders.size(), 1u);
    EXPECT_EQ(machine.files.createdFolders[0], L"C:\\Temp\\KORVOS1234\\");
    std::string log = machine.files.Contents(L"C:\\Temp\\KORVOSkelvInstall.log");
    EXPECT_NE(log.find(": Temporary folder : C:\\Temp\\KORVOS1234\\\r\n"), std::string::npos) << log;
}

}  // namespace
