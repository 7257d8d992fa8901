// The server version check against real servers on loopback: each version file is served by
// nginx (the http_servers fixture) under a folder of its own, which the download server text
// names after the host, so every case has its own URL. On Windows each case runs with both drivers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "checks/InstalledProducts.h"
#include "checks/ServerVersionCheck.h"
#include "checks/StartupCheckResults.h"
#include "core/ProcessSettings.h"
#include "tests/checks/CheckLog.h"
#include "tests/http/integration/TestServers.h"
#include "tests/support/LoopbackSocket.h"

namespace {

using platform::fakes::ScopedFakeMachine;

const std::string kCode = "{5E1A7C42-90B3-4F6E-A2D8-3C71B94E0F15}";
const std::wstring kIn = L"IN->CheckNeedInstall ()";
const std::wstring kOutTrue = L"OUT->CheckNeedInstall  returns true";
const std::wstring kOutFalse = L"OUT->CheckNeedInstall  returns false";
const std::wstring kAlreadyLatest =
    L"The latest version of KORVO Skelv is already installed.\nThere is no need to install it again.";

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());  // the test's texts are ASCII or Latin-1
}

std::filesystem::path HostPath(std::string path) {
#ifdef _WIN32
    path = "Z:" + path;  // Wine shows the Linux file system as drive Z:
#endif
    return std::filesystem::path(path);
}

// The driver a case runs with; natively there is only the socket driver.
std::vector<bool> SocketDriverChoices() {
#ifdef _WIN32
    return {false, true};
#else
    return {true};
#endif
}

struct CheckRun {
    bool result;
    std::wstring failureMessage;
    bool upgradeAvailable;
    std::vector<std::wstring> log;
};

// Runs the check on a machine with the product registered at `installedVersion` (nullopt: not
// registered), against `server`.
CheckRun CheckAgainst(const std::wstring& server, bool socketDriver, std::optional<std::wstring> installedVersion) {
    ScopedFakeMachine machine;
    if (installedVersion) {
        const wchar_t* productCode = L"{0B0B0B0B-0000-0000-0000-000000000001}";
        machine.installer.related[upgrade_codes::kProduct] = {productCode};
        machine.installer.versions[productCode] = *installedVersion;
    }
    ProcessSettings settings;
    settings.downloadServer = server;
    settings.socketDriverRequested = socketDriver;
    ScopedProcessSettings scope(settings);
    StartupResults().upgradeAvailable = true;  // the check must clear it itself
    CheckRun run;
    run.result = CheckNeedInstall(run.failureMessage);
    run.upgradeAvailable = StartupResults().upgradeAvailable;
    run.log = LogEntries(machine);
    return run;
}

TEST(ServerVersionCheckTest, JudgesEachVersionFileTheServerOffers) {
    REQUIRE_SERVERS();
    const TestServers& servers = TestServers::Get();
    const std::string folder = "/version-check";
    std::filesystem::remove_all(HostPath(servers.wwwDir + folder));

    const std::string valid = "PNQ1\t" + kCode + "\t1.0.1";
    struct Case {
        const char* name;
        std::optional<std::string> file;  // nullopt: none, so nginx answers 404
        const wchar_t* installed;
        bool result;
        bool upgrade;
        // The entries after "Downloading", up to the outcome; "%U" stands for the URL.
        std::vector<std::wstring> log;
    };
    const std::wstring webValid = L"Web Version: PNQ1\t" + Wide(kCode) + L"\t1.0.1";
    const std::wstring noVersion = L"Download of %U failed - Msi Version not found";
    const std::wstring noTag = L"Download of %U failed- Tag not found ";
    const Case cases[] = {
        {"older", valid, L"1.0.0", true, true, {webValid}},
        {"older-crlf", valid + "\r\n", L"1.0.0", true, true, {webValid}},
        {"equal", valid + "\r\n", L"1.0.1", false, false, {webValid}},
        {"newer", valid, L"1.0.2", false, false, {webValid}},
        {"newer-major", valid, L"2.0.0", false, false, {webValid}},
        {"minor-is-numeric",
         "PNQ1\t" + kCode + "\t1.10.0",
         L"1.9.9",
         true,
         true,
         {L"Web Version: PNQ1\t" + Wide(kCode) + L"\t1.10.0"}},
        {"version-2", "PNQ1\t" + kCode + "\t2", L"1.9.9", true, true, {L"Web Version: PNQ1\t" + Wide(kCode) + L"\t2"}},
        {"version-2-installed",
         "PNQ1\t" + kCode + "\t2",
         L"2.0.0",
         false,
         false,
         {L"Web Version: PNQ1\t" + Wide(kCode) + L"\t2"}},
        {"tabs-runs-extra-fields",
         "PNQ1x\t\t" + kCode + "\t\t\t1.0.1\tcaf\xe9\r\n",
         L"1.0.0",
         true,
         true,
         {L"Web Version: PNQ1x\t\t" + Wide(kCode) + L"\t\t\t1.0.1\tcaf\u00e9"}},
        {"line-breaks-anywhere", "PNQ1\t" + kCode + "\t1.0\r.\n1\r\n", L"1.0.1", false, false, {webValid}},
        {"zero-byte-ends-text", valid + std::string(1, '\0') + "9", L"1.0.0", true, true, {webValid}},
        {"512-bytes",
         valid + "\t" + std::string(512 - valid.size() - 1, 'x'),
         L"1.0.0",
         true,
         true,
         {webValid + L"\t" + std::wstring(512 - valid.size() - 1, L'x')}},
        {"513-bytes",
         valid + "\t" + std::string(513 - valid.size() - 1, 'x'),
         L"1.0.0",
         true,
         false,
         {L"Download of %U failed - Size = 513 rc  = 0 "}},
        {"empty", std::string(), L"1.0.0", true, false, {L"Download of %U failed - Size = 0 rc  = 0 "}},
        {"missing", std::nullopt, L"1.0.0", true, false, {L"Download of %U failed - Size = 0 rc  = -404 "}},
        {"lower-case-tag", "pnq1\t" + kCode + "\t1.0.1", L"1.0.0", true, false, {noTag}},
        {"leading-blank", " " + valid, L"1.0.0", true, false, {noTag}},
        {"leading-tab", "\t" + valid, L"1.0.0", true, false, {noTag}},
        {"lower-case-code",
         "PNQ1\t{5e1a7c42-90b3-4f6e-a2d8-3c71b94e0f15}\t1.0.1",
         L"1.0.0",
         true,
         false,
         {L"Web Version: PNQ1\t{5e1a7c42-90b3-4f6e-a2d8-3c71b94e0f15}\t1.0.1",
          L"Download of %U failed - Incorrect UpgradeCode : {5e1a7c42-90b3-4f6e-a2d8-3c71b94e0f15}"}},
        {"no-third-field",
         "PNQ1\t" + kCode + "\t\r\n",
         L"1.0.0",
         true,
         false,
         {L"Web Version: PNQ1\t" + Wide(kCode) + L"\t", noVersion}},
        {"separate-lines",
         "PNQ1\r\n" + kCode + "\r\n1.0.1\r\n",
         L"1.0.0",
         true,
         false,
         {L"Web Version: PNQ1" + Wide(kCode) + L"1.0.1", L"Download of %U failed - Incorrect UpgradeCode : "}},
        {"version-without-number",
         "PNQ1\t" + kCode + "\tv1.2.3",
         L"1.0.0",
         true,
         false,
         {L"Web Version: PNQ1\t" + Wide(kCode) + L"\tv1.2.3", noVersion}},
    };
    for (const Case& c : cases) {
        std::string caseFolder = folder + "/" + c.name;
        if (c.file) {
            std::filesystem::path dir = HostPath(servers.wwwDir + caseFolder + "/downloads/skelv/skelv_v31");
            std::filesystem::create_directories(dir);
            std::ofstream(dir / "KORVOSkelv_VERSION.txt", std::ios::binary) << *c.file;
        }
        std::wstring server = L"127.0.0.1:" + std::to_wstring(servers.nginxPort) + Wide(caseFolder);
        std::wstring url = L"http://" + server + L"/downloads/skelv/skelv_v31/KORVOSkelv_VERSION.txt";
        for (bool socketDriver : SocketDriverChoices()) {
            SCOPED_TRACE(testing::Message() << c.name << (socketDriver ? ", socket driver" : ", WinINet driver"));
            std::vector<std::wstring> expected = {kIn, L"Installed Version: " + std::wstring(c.installed),
                                                  L"Downloading " + url};
            for (std::wstring line : c.log) {
                std::size_t at = line.find(L"%U");
                if (at != std::wstring::npos) line.replace(at, 2, url);
                expected.push_back(line);
            }
            if (!c.result) expected.push_back(kAlreadyLatest);
            expected.push_back(c.result ? kOutTrue : kOutFalse);

            CheckRun run = CheckAgainst(server, socketDriver, std::wstring(c.installed));
            EXPECT_EQ(run.result, c.result);
            EXPECT_EQ(run.upgradeAvailable, c.upgrade);
            EXPECT_EQ(run.failureMessage, c.result ? L"" : kAlreadyLatest);
            EXPECT_EQ(run.log, expected);
        }
    }
}

// Without an installed version there is nothing to compare: the server is never asked.
TEST(ServerVersionCheckTest, AsksNoServerWhenTheProductIsNotInstalledOrItsVersionUnreadable) {
    int port = 0;
    std::intptr_t listener = loopback::Listen(&port);
    ASSERT_NE(listener, -1);
    std::wstring server = L"127.0.0.1:" + std::to_wstring(port);
    const std::vector<std::wstring> expected = {kIn, L"KORVO Skelv is not installed", kOutTrue};
    for (bool registered : {false, true}) {
        SCOPED_TRACE(registered ? "registered, version unreadable" : "not registered");
        ScopedFakeMachine machine;
        if (registered)
            machine.installer.related[upgrade_codes::kProduct] = {L"{0B0B0B0B-0000-0000-0000-000000000002}"};
        ProcessSettings settings;
        settings.downloadServer = server;
        settings.socketDriverRequested = true;
        ScopedProcessSettings scope(settings);
        StartupResults().upgradeAvailable = true;
        std::wstring failureMessage = L"unchanged";
        EXPECT_TRUE(CheckNeedInstall(failureMessage));
        EXPECT_EQ(failureMessage, L"unchanged");
        EXPECT_FALSE(StartupResults().upgradeAvailable);
        EXPECT_EQ(LogEntries(machine), expected);
    }
    std::intptr_t connection = loopback::AcceptWithin(listener, 0);
    EXPECT_EQ(connection, -1) << "the check connected to the server";
    if (connection != -1) loopback::Close(connection);
    loopback::Close(listener);
}

// A URL that cannot be handed to the HTTP client whole is a failed download, never a cut one.
TEST(ServerVersionCheckTest, RefusesAUrlThatDoesNotFitEightBitText) {
    // Port 1 on loopback refuses at once: the one URL that fits is asked and fails there.
    const std::wstring host = L"127.0.0.1:1/";
    const std::size_t fixedChars = std::wstring(L"http:///downloads/skelv/skelv_v31/KORVOSkelv_VERSION.txt").size();
    const std::wstring refused =
        L"Download of KORVOSkelv_VERSION.txt failed - URL longer than 1023 bytes or not 8-bit text";
    struct Case {
        const char* name;
        std::wstring server;
        bool downloads;
    };
    const Case cases[] = {
        {"1023 bytes", host + std::wstring(1023 - fixedChars - host.size(), L'a'), true},
        {"1024 bytes", host + std::wstring(1024 - fixedChars - host.size(), L'a'), false},
        {"a character beyond Latin-1", L"127.0.0.1:1/\u263a", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CheckRun run = CheckAgainst(c.server, true, std::wstring(L"1.0.0"));
        EXPECT_TRUE(run.result);
        std::wstring url = L"http://" + c.server + L"/downloads/skelv/skelv_v31/KORVOSkelv_VERSION.txt";
        if (c.downloads) {
            ASSERT_EQ(run.log.size(), 5u);
            EXPECT_EQ(run.log[2], L"Downloading " + url);
            std::wstring failed = L"Download of " + url + L" failed - Size = 0 rc  = ";
            EXPECT_EQ(run.log[3].substr(0, failed.size()), failed);
            EXPECT_EQ(run.log[4], kOutTrue);
        } else {
            EXPECT_EQ(run.log, (std::vector<std::wstring>{kIn, L"Installed Version: 1.0.0", refused, kOutTrue}));
        }
    }
}

}  // namespace
