// The server version check against real servers on loopback: nginx (the http_servers fixture)
// serves each version file from a folder of its own, which the download server text names after
// the host, so every case has its own URL. On Windows each case runs with both drivers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "checks/InstalledProducts.h"
#include "checks/ServerVersionCheck.h"
#include "checks/StartupCheckResults.h"
#include "core/ProcessSettings.h"
#include "http/HttpStatus.h"
#include "tests/support/FakeMachineLog.h"
#include "tests/http/integration/TestServers.h"
#include "tests/support/LoopbackSocket.h"

namespace {

const std::wstring kIn = L"IN->CheckNeedInstall ()";
const std::wstring kOutTrue = L"OUT->CheckNeedInstall  returns true";
const std::wstring kOutFalse = L"OUT->CheckNeedInstall  returns false";
const std::wstring kAlreadyLatest =
    L"The latest version of KORVO Skelv is already installed.\nThere is no need to install it again.";
const std::wstring kFilePath = L"/downloads/skelv/skelv_v31/KORVOSkelv_VERSION.txt";

// The test's texts are Latin-1; "%C" stands for the product's upgrade code, "%U" for the URL.
std::wstring Expand(const std::string& text, const std::wstring& url = L"") {
    std::wstring wide;
    for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    for (std::size_t at; (at = wide.find(L"%C")) != std::wstring::npos;)
        wide.replace(at, 2, L"{5E1A7C42-90B3-4F6E-A2D8-3C71B94E0F15}");
    for (std::size_t at; (at = wide.find(L"%U")) != std::wstring::npos;) wide.replace(at, 2, url);
    return wide;
}

std::vector<bool> SocketDriverChoices() {
#ifdef _WIN32
    return {false, true};
#else
    return {true};  // the only driver here
#endif
}

struct CheckRun {
    bool result;
    std::wstring failureMessage;
    bool upgradeAvailable;
    std::vector<std::wstring> log;
};

const wchar_t* const kUnreadable = L"(registered, version unreadable)";

// The check on a machine with the product registered at version `installed` (null: not registered).
CheckRun CheckAgainst(const std::wstring& server, bool socketDriver, const wchar_t* installed,
                      std::optional<HttpStallLimit> stallLimit = std::nullopt) {
    platform::fakes::ScopedFakeMachine machine;
    const wchar_t* productCode = L"{0B0B0B0B-0000-0000-0000-000000000001}";
    if (installed != nullptr) machine.installer.related[upgrade_codes::kProduct] = {productCode};
    if (installed != nullptr && installed != kUnreadable) machine.installer.versions[productCode] = installed;
    ProcessSettings settings;
    settings.downloadServer = server;
    settings.socketDriverRequested = socketDriver;
    ScopedProcessSettings scope(settings);
    StartupResults().upgradeAvailable = true;  // the check must clear it itself
    CheckRun run{};
    run.result = stallLimit ? CheckNeedInstall(run.failureMessage, *stallLimit) : CheckNeedInstall(run.failureMessage);
    run.upgradeAvailable = StartupResults().upgradeAvailable;
    run.log = LogEntries(machine);
    return run;
}

TEST(ServerVersionCheckTest, JudgesEachVersionFileTheServerOffers) {
    REQUIRE_SERVERS();
    const TestServers& servers = TestServers::Get();
    const std::string www = servers.wwwDir, folder = "/version-check/";
#ifdef _WIN32
    const std::string drive = "Z:";  // Wine shows the Linux file system as drive Z:
#else
    const std::string drive;
#endif
    std::filesystem::remove_all(drive + www + folder);

    const std::string valid = "PNQ1\t%C\t1.0.1", filler(512 - Expand(valid).size() - 1, 'x');
    const std::string size = "Download of %U failed - Size = ", noTag = "Download of %U failed- Tag not found ";
    const std::string noVersion = "Download of %U failed - Msi Version not found";
    const std::string tooLong = std::to_string(kHttpBodyTooLong);
    struct Case {
        const char* name;
        std::optional<std::string> file;  // nullopt: none, so nginx answers 404
        const wchar_t* installed;
        bool result, upgrade;
        std::vector<std::string> log;  // between "Downloading" and the outcome
    };
    const std::string lower = "{5e1a7c42-90b3-4f6e-a2d8-3c71b94e0f15}";
    // clang-format off
    const Case cases[] = {
        {"older", valid, L"1.0.0", true, true, {"Web Version: " + valid}},
        {"older-crlf", valid + "\r\n", L"1.0.0", true, true, {"Web Version: " + valid}},
        {"equal", valid + "\r\n", L"1.0.1", false, false, {"Web Version: " + valid}},
        {"newer", valid, L"1.0.2", false, false, {"Web Version: " + valid}},
        {"version-2", "PNQ1\t%C\t2", L"1.9.9", true, true, {"Web Version: PNQ1\t%C\t2"}},
        {"tab-runs", "PNQ1x\t\t%C\t\t\t1.0.1\tcaf\xe9\r\n", L"1.0.0", true, true,
            {"Web Version: PNQ1x\t\t%C\t\t\t1.0.1\tcaf\xe9"}},
        {"breaks-anywhere", "PNQ1\t%C\t1.0\r.\n1\r\n", L"1.0.1", false, false, {"Web Version: " + valid}},
        {"zero-byte", valid + std::string(1, '\0') + "9", L"1.0.0", true, true, {"Web Version: " + valid}},
        {"512-bytes", valid + "\t" + filler, L"1.0.0", true, true, {"Web Version: " + valid + "\t" + filler}},
        // A longer file stops the request at the bound: the status says so.
        {"513-bytes", valid + "\t" + filler + "x", L"1.0.0", true, false, {size + "513 rc  = " + tooLong + " "}},
        {"empty", "", L"1.0.0", true, false, {size + "0 rc  = 0 "}},
        {"missing", std::nullopt, L"1.0.0", true, false, {size + "0 rc  = -404 "}},
        {"lower-case-tag", "pnq1\t%C\t1.0.1", L"1.0.0", true, false, {noTag}},
        {"leading-blank", " " + valid, L"1.0.0", true, false, {noTag}},
        {"lower-case-code", "PNQ1\t" + lower + "\t1.0.1", L"1.0.0", true, false,
            {"Web Version: PNQ1\t" + lower + "\t1.0.1", "Download of %U failed - Incorrect UpgradeCode : " + lower}},
        {"no-third-field", "PNQ1\t%C\t\r\n", L"1.0.0", true, false, {"Web Version: PNQ1\t%C\t", noVersion}},
        {"separate-lines", "PNQ1\r\n%C\r\n1.0.1\r\n", L"1.0.0", true, false,
            {"Web Version: PNQ1%C1.0.1", "Download of %U failed - Incorrect UpgradeCode : "}},
        {"no-number", "PNQ1\t%C\tv1.2.3", L"1.0.0", true, false, {"Web Version: PNQ1\t%C\tv1.2.3", noVersion}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const std::string caseFolder = folder + c.name;
        if (c.file) {
            std::filesystem::path file = drive + www + caseFolder + "/downloads/skelv/skelv_v31/KORVOSkelv_VERSION.txt";
            std::filesystem::create_directories(file.parent_path());
            std::wstring bytes = Expand(*c.file);
            std::ofstream(file, std::ios::binary) << std::string(bytes.begin(), bytes.end());
        }
        const std::wstring server = L"127.0.0.1:" + std::to_wstring(servers.nginxPort) + Expand(caseFolder);
        const std::wstring url = L"http://" + server + kFilePath;
        std::vector<std::wstring> expected = {kIn, L"Installed Version: " + std::wstring(c.installed),
                                              L"Downloading " + url};
        for (const std::string& line : c.log) expected.push_back(Expand(line, url));
        if (!c.result) expected.push_back(kAlreadyLatest);
        expected.push_back(c.result ? kOutTrue : kOutFalse);
        for (bool socketDriver : SocketDriverChoices()) {
            SCOPED_TRACE(testing::Message() << c.name << (socketDriver ? ", socket driver" : ", WinINet driver"));
            CheckRun run = CheckAgainst(server, socketDriver, c.installed);
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
    for (const wchar_t* installed : {static_cast<const wchar_t*>(nullptr), kUnreadable}) {
        CheckRun run = CheckAgainst(L"127.0.0.1:" + std::to_wstring(port), true, installed);
        EXPECT_TRUE(run.result);
        EXPECT_EQ(run.failureMessage, L"");
        EXPECT_FALSE(run.upgradeAvailable);
        EXPECT_EQ(run.log, (std::vector<std::wstring>{kIn, L"KORVO Skelv is not installed", kOutTrue}));
    }
    std::intptr_t connection = loopback::AcceptWithin(listener, 0);
    EXPECT_EQ(connection, -1) << "the check connected to the server";
    if (connection != -1) loopback::Close(connection);
    loopback::Close(listener);
}

// A server that sends more than a version file, stalls or drips: a failed download with the size
// line (the length announced, or received up to the bound) within the stall limit (shortened
// here), and the setup goes on as a first installation. The time each case took is printed.
TEST(ServerVersionCheckTest, AHostileServerIsAFailedDownload) {
    REQUIRE_SERVERS();
    const std::string tooLong = std::to_string(kHttpBodyTooLong);
    struct Case {
        const char* behaviour;
        std::optional<std::string> sizeAndRc;  // nullopt: a failed download, its status the driver's
    };
    const Case cases[] = {
        {"ignore-range-600", "629145600 rc  = " + tooLong + " "},
        {"ignore-range-unannounced-600", "513 rc  = " + tooLong + " "},
        {"ignore-range-chunked-600", "513 rc  = " + tooLong + " "},
        {"silent", std::nullopt},
        {"stall-after-headers", std::nullopt},
        {"drip-100", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::wstring server =
            L"127.0.0.1:" + std::to_wstring(TestServers::Get().scriptedPort) + L"/hostile/" + Expand(c.behaviour);
        const std::wstring url = L"http://" + server + kFilePath;
        for (bool socketDriver : SocketDriverChoices()) {
            SCOPED_TRACE(testing::Message() << c.behaviour << (socketDriver ? ", socket driver" : ", WinINet driver"));
            auto start = std::chrono::steady_clock::now();
            CheckRun run = CheckAgainst(server, socketDriver, L"1.0.0", HttpStallLimit{1500, 1024});
            std::printf("  [ time ] %s, %s driver: %.2f s\n", c.behaviour, socketDriver ? "socket" : "WinINet",
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            EXPECT_TRUE(run.result);
            EXPECT_FALSE(run.upgradeAvailable);
            ASSERT_EQ(run.log.size(), 5u);
            EXPECT_EQ(run.log[2], L"Downloading " + url);
            const std::wstring size = L"Download of " + url + L" failed - Size = ";
            if (c.sizeAndRc) {
                EXPECT_EQ(run.log[3], size + Expand(*c.sizeAndRc));
            } else {
                EXPECT_EQ(run.log[3].substr(0, size.size() + 2), size + L"0 ") << run.log[3];
                if (socketDriver) {
                    EXPECT_EQ(run.log[3], size + L"0 rc  = " + Expand(std::to_string(kHttpTimeout)) + L" ");
                }
            }
            EXPECT_EQ(run.log[4], kOutTrue);
        }
    }
}

// A URL the HTTP client cannot take whole is a failed download, never a cut one.
TEST(ServerVersionCheckTest, RefusesAUrlThatDoesNotFitEightBitText) {
    const std::wstring host = L"127.0.0.1:1/";  // refuses at once: the URL that fits fails there
    const std::size_t room = 1023 - (L"http://" + host + kFilePath).size();
    const std::wstring refused =
        L"Download of KORVOSkelv_VERSION.txt failed - URL longer than 1023 bytes or not ASCII text";
    for (const std::wstring& server : {host + std::wstring(room + 1, L'a'), host + L"\u263a", host + L"h\u00e9te"}) {
        EXPECT_EQ(CheckAgainst(server, true, L"1.0.0").log,
                  (std::vector<std::wstring>{kIn, L"Installed Version: 1.0.0", refused, kOutTrue}));
    }
    const std::wstring fits = host + std::wstring(room, L'a'), url = L"http://" + fits + kFilePath;
    std::vector<std::wstring> log = CheckAgainst(fits, true, L"1.0.0").log;
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[2], L"Downloading " + url);
    const std::wstring failed = L"Download of " + url + L" failed - Size = 0 rc  = ";
    EXPECT_EQ(log[3].substr(0, failed.size()), failed);
}

}  // namespace
