// Which server the setup downloads from, the URLs it builds and the per-run folders.
#include <gtest/gtest.h>

#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "platform/Text.h"
#include "platform/fakes/FakeMachine.h"
#include "core/DownloadServer.h"
#include "core/InstallPaths.h"
#include "tests/support/FakeMachineLog.h"

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

// The package folder is always one the run has just made: a name someone else took first (a
// folder, a file, a junction) is left alone and the next number tried, a bounded number of times.
TEST(InstallPaths, ThePackageFolderIsANewFolderOfTheRunsOwn) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> taken;  // process ids whose names exist already
        std::optional<std::uint32_t> refused;
        std::optional<std::wstring> tempFolder;
        std::wstring folder;  // empty: none made
        std::wstring line;
    };
    const std::vector<std::uint32_t> allTaken = {1234, 1235, 1236, 1237, 1238, 1239, 1240, 1241, 1242, 1243};
    const Case cases[] = {
        {"free", {}, {}, L"C:\\Temp\\", L"C:\\Temp\\KORVOS1234\\", L"Temporary folder : C:\\Temp\\KORVOS1234\\"},
        {"taken once",
         {1234},
         {},
         L"C:\\Temp\\",
         L"C:\\Temp\\KORVOS1235\\",
         L"Temporary folder : C:\\Temp\\KORVOS1235\\"},
        {"taken but the last",
         {1234, 1235, 1236, 1237, 1238, 1239, 1240, 1241, 1242},
         {},
         L"C:\\Temp\\",
         L"C:\\Temp\\KORVOS1243\\",
         L"Temporary folder : C:\\Temp\\KORVOS1243\\"},
        {"every name taken",
         allTaken,
         {},
         L"C:\\Temp\\",
         L"",
         L"Setup found 10 package folder names taken in C:\\Temp\\"},
        {"creation refused",
         {1234},
         1235,
         L"C:\\Temp\\",
         L"",
         L"Setup cannot create the package folder C:\\Temp\\KORVOS1235\\"},
        {"no temporary folder",
         {},
         {},
         std::nullopt,
         L"",
         L"Setup cannot read the temporary folder: no package folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedFakeMachine machine;
        machine.process.processId = 1234;
        machine.files.tempFolder = c.tempFolder;
        for (std::uint32_t id : c.taken) machine.files.existingFolders.insert(FormatPackageFolder(L"C:\\Temp\\", id));
        if (c.refused) machine.files.refusedFolders.insert(FormatPackageFolder(L"C:\\Temp\\", *c.refused));

        EXPECT_EQ(PrepareInstallPaths(), !c.folder.empty());
        EXPECT_EQ(PackageFolder(), c.folder);
        EXPECT_EQ(machine.files.createdFolders,
                  c.folder.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.folder});
        EXPECT_EQ(LogEntriesIn(machine.files), std::vector<std::wstring>{c.line});
    }
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
