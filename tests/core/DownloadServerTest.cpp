// Which server the setup downloads from, the URLs it builds and the per-run folders.
#include <gtest/gtest.h>

#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "platform/Text.h"
#include "platform/fakes/FakeMachine.h"
#include "core/DownloadServer.h"
#include "core/InstallPaths.h"

namespace {

using platform::fakes::ScopedFakeMachine;

ProcessSettings WithServer(std::optional<std::wstring> server) {
    ProcessSettings settings;
    settings.downloadServer = std::move(server);
    return settings;
}

TEST(DownloadServer, TheDefaultHostOrTheVariableTakenWhole) {
    struct Case {
        std::optional<std::wstring> variable;
        bool custom;
        const wchar_t* server;
        const wchar_t* url;  // of "KORVOSkelv.msi"
    };
    const Case cases[] = {
        {std::nullopt, false, L"download.halvorsk.com",
         L"http://download.halvorsk.com/downloads/skelv/skelv_v31/KORVOSkelv.msi"},
        {L"127.0.0.1:8081", true, L"127.0.0.1:8081", L"http://127.0.0.1:8081/downloads/skelv/skelv_v31/KORVOSkelv.msi"},
        {L" test host ", true, L" test host ", L"http:// test host /downloads/skelv/skelv_v31/KORVOSkelv.msi"},
        {L"", true, L"", L"http:///downloads/skelv/skelv_v31/KORVOSkelv.msi"},  // defined but empty
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.variable.value_or(L"(unset)")));
        ScopedProcessSettings settings(WithServer(c.variable));
        EXPECT_EQ(IsCustomDownloadServer(), c.custom);
        EXPECT_EQ(GetDownloadServer(), c.server);
        EXPECT_EQ(BuildDownloadUrl(L"KORVOSkelv.msi"), c.url);
    }
}

TEST(DownloadServer, FileNamesAreUsedAsGiven) {
    ScopedProcessSettings settings(WithServer(std::nullopt));
    EXPECT_EQ(BuildDownloadUrl(L"Windows6.0-KB941179-x86.msu"),
              L"http://download.halvorsk.com/downloads/skelv/skelv_v31/Windows6.0-KB941179-x86.msu");
    EXPECT_EQ(BuildDownloadUrl(L"a b%20C.MSI"), L"http://download.halvorsk.com/downloads/skelv/skelv_v31/a b%20C.MSI");
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

TEST(DownloadServer, RequestUrlIsAsciiThatFitsTheBuffer) {
    const std::wstring fits = L"http://h/" + std::wstring(1023 - 9, L'a');  // 1023 bytes and the zero
    EXPECT_EQ(RequestUrlBytes(fits), std::string(fits.begin(), fits.end()));
    EXPECT_EQ(RequestUrlBytes(fits + L"b"), std::nullopt);  // would be cut into another file's URL
    EXPECT_EQ(RequestUrlBytes(L"http://h\u00e9te/x.msi"), std::nullopt);
    EXPECT_EQ(RequestUrlBytes(L"http://\u6771\u4eac/x.msi"), std::nullopt);
    EXPECT_EQ(RequestUrlBytes(L"http://127.0.0.1:8081/downloads/skelv/skelv_v31/KORVOSkelv.msi"),
              std::string("http://127.0.0.1:8081/downloads/skelv/skelv_v31/KORVOSkelv.msi"));
}

}  // namespace
