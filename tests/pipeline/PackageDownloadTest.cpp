// DownloadPrereqs against real local servers: nginx for the normal cases, the scripted server for
// broken answers. A fake machine stands for the window, the message box, the package file and the
// log; each case checks the requests the server saw, the messages posted, the log lines, the
// result and the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <functional>
#include <optional>
#include <set>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <thread>
#endif

#include "core/InstallPaths.h"
#include "core/ProcessState.h"
#include "core/SetupLog.h"
#include "http/HttpDriverHolder.h"
#include "http/HttpStatus.h"
#include "platform/Text.h"
#include "platform/fakes/FakeMachine.h"
#include "http/HttpRequestLimits.h"
#include "setup/PackageDownload.h"
#include "setup/WorkerMessages.h"
#include "tests/pipeline/StatusNotes.h"
#include "tests/http/integration/TestServers.h"
#include "tests/support/FakeMachineLog.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/TestThread.h"

namespace {

using platform::fakes::FakeWindowMessages;
using platform::fakes::ScopedFakeMachine;

constexpr std::int64_t kSlice = 524288;
const std::wstring kStatusText = L"Downloading KORVO Skelv...";

// The content both servers serve: byte i is (i * 7 + i / 251) mod 256.
std::string Pattern(std::int64_t size) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (std::int64_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return bytes;
}

std::string RangeOf(std::int64_t first, std::int64_t count) {
    return "bytes=" + std::to_string(first) + "-" + std::to_string(first + count - 1);
}

struct Request {
    long connection;
    std::string range;
};

std::vector<Request> ParseRequests(const std::string& text) {
    std::vector<Request> requests;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        Request request{};
        fields >> request.connection >> request.range;
        requests.push_back(request);
    }
    return requests;
}

// Wine shows the Linux file system as drive Z:.
std::string FixturePath(const std::string& path) {
#ifdef _WIN32
    return "Z:" + path;
#else
    return path;
#endif
}

// nginx writes each request to its access log ("<connection> "<range>" <status> <path>") just
// after the answer, so the last line may come a moment after the client has the answer.
class NginxAccessLog {
public:
    NginxAccessLog() : path_(FixturePath(TestServers::Get().wwwDir + "/../downloads-access.log")) {
        start_ = Read().size();
    }
    std::vector<Request> RequestsFor(const std::string& name, std::size_t expected) const {
        std::vector<Request> requests;
        for (int attempt = 0; attempt < 40; ++attempt) {
            requests.clear();
            std::istringstream lines(Read().substr(start_));
            std::string line;
            while (std::getline(lines, line)) {
                if (line.size() < name.size() + 1 ||
                    line.compare(line.size() - name.size() - 1, std::string::npos, "/" + name) != 0)
                    continue;
                std::size_t quote = line.find('"'), endQuote = line.find('"', quote + 1);
                requests.push_back({std::stol(line), line.substr(quote + 1, endQuote - quote - 1)});
            }
            if (requests.size() >= expected) break;
#ifdef _WIN32
            Sleep(50);
#else
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
#endif
        }
        return requests;
    }

private:
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string path_;
    std::size_t start_ = 0;
};

// The scripted server hands out (and forgets) the requests it saw for a file name.
std::vector<Request> ScriptedRequestsFor(const std::string& name) {
    ScopedProcessSettings socketDriver(ProcessSettings{std::nullopt, true});
    HttpDriverHolder holder(nullptr, 1, 1);
    HttpOwnedBuffer body;
    std::int32_t keepAlive = 0;
    holder.Get(TestServers::Get().Scripted("/seen?name=" + name).c_str(), 0, &body.data, &body.length, &keepAlive);
    return ParseRequests(body.Text());
}

enum class Server { Nginx, Scripted };

std::wstring DiskTempFolder();

void SleepMilliseconds(int milliseconds) {
#ifdef _WIN32
    Sleep(static_cast<DWORD>(milliseconds));
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
#endif
}

// Presses Cancel (as the dialog does) once the first slice of the package is on disk and the next
// request has had a moment to start: the question must then come from the stalled request.
TestThread cancelPress;

void PressCancelOnceTheFirstSliceIsWritten() {
    const std::wstring path =
        FormatPackageFolder(DiskTempFolder(), platform::fakes::FakeProcessInfo().processId) + L"three-slices.msi";
    cancelPress = TestThread([path] {
        for (int i = 0; i < 200; ++i) {
            std::error_code error;
            if (std::filesystem::file_size(std::filesystem::path(path), error) >= static_cast<std::uintmax_t>(kSlice))
                break;
            SleepMilliseconds(50);
        }
        SleepMilliseconds(300);
        CancelRequested.fetch_add(1);
    });
}

void JoinCancelPress() {
    if (cancelPress.joinable()) cancelPress.join();
}

// Where the package file goes: a real file in a real folder (the program's own file code), or the
// fake machine's files where a case needs a file that cannot be opened or a full disk.
enum class Files { OnDisk, Fake };

// A temporary folder of this test process, with its trailing separator, created on first use.
std::wstring DiskTempFolder() {
#ifdef _WIN32
    static const std::wstring folder = [] {
        std::wstring path = platform::FromUtf8(::testing::TempDir()) + L"korvo-pipeline-" +
                            std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }();
#else
    static const std::wstring folder = [] {
        std::string path = ::testing::TempDir() + "korvo-pipeline-" + std::to_string(::getpid()) + "/";
        ::mkdir(path.c_str(), 0755);
        return platform::FromUtf8(path);
    }();
#endif
    return folder;
}

void MakeDiskFolder(const std::wstring& path) {
#ifdef _WIN32
    CreateDirectoryW(path.c_str(), nullptr);
#else
    (void)path;  // "KORVOS1234\" ends the file's own name here: there is no folder to make
#endif
}

std::optional<std::string> ReadDiskFile(const std::wstring& path) {
#ifdef _WIN32
    std::FILE* file = _wfopen(path.c_str(), L"rb");
#else
    std::FILE* file = std::fopen(platform::ToUtf8(path).c_str(), "rb");
#endif
    if (file == nullptr) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

// False when the file is still open (Windows refuses to delete it then).
bool RemoveDiskFile(const std::wstring& path) {
#ifdef _WIN32
    return DeleteFileW(path.c_str()) != FALSE;
#else
    return ::unlink(platform::ToUtf8(path).c_str()) == 0;
#endif
}

struct Expected {
    int result;
    std::vector<std::string> ranges;                              // the Range headers the server saw, in order
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;  // wParam, lParam of each progress post
    std::vector<std::wstring> lastLines;                          // after the status text; "{url}", "{path}"
    std::int64_t fileBytes;       // the file holds the served content's first bytes; -1: no file
    std::size_t connections = 1;  // the connections those requests came on
};

// What a case changes on the fake machine before the download: the answer to the cancel question, a
// file that cannot be opened, a full disk.
using Staging = std::function<void(platform::fakes::FakeMachine&)>;

// Each case runs with the socket driver, and on Windows with the WinINet driver too (GetParam():
// the socket driver).
class PackageDownload : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { REQUIRE_SERVERS(); }
    static void TearDownTestSuite() {
        const std::wstring folder = DiskTempFolder();
#ifdef _WIN32
        RemoveDirectoryW(FormatPackageFolder(folder, platform::fakes::FakeProcessInfo().processId).c_str());
        RemoveDirectoryW(folder.c_str());
#else
        ::rmdir(platform::ToUtf8(folder).c_str());
#endif
    }

    // Downloads `file` from `server` on a fresh fake machine, then checks everything the case
    // expects. The served content is the pattern of `servedSize` bytes.
    void Check(Server server, const std::string& file, std::int64_t servedSize, const Expected& expected,
               const Staging& stage = {}, const std::wstring& serverText = {}, Files files = Files::OnDisk) {
        SCOPED_TRACE(file);
        ScopedFakeMachine machine;
        ReceiveStatusNotes(machine);
        if (files == Files::OnDisk) machine.files.tempFolder = DiskTempFolder();
        if (stage) stage(machine);
        PrepareInstallPaths();
        std::optional<platform::ScopedServices> diskFiles;
        if (files == Files::OnDisk) {
            MakeDiskFolder(PackageFolder());
            platform::Services services = machine.services();
            services.plainFiles = platform::RealServices().plainFiles;
            diskFiles.emplace(services);
        }
        const TestServers& servers = TestServers::Get();
        int port = server == Server::Nginx ? servers.nginxPort : servers.scriptedPort;
        ProcessSettings settings;
        settings.downloadServer = serverText.empty() ? L"127.0.0.1:" + std::to_wstring(port) : serverText;
        settings.socketDriverRequested = GetParam();
        NginxAccessLog accessLog;
        const std::wstring wideFile = platform::FromUtf8(file);
        InstallContext context{reinterpret_cast<platform::WindowHandle>(0x1234), L""};
        int result;
        {
            ScopedProcessSettings scope(settings);
            auto start = std::chrono::steady_clock::now();
            result = stallLimit_ ? DownloadPrereqs(kStatusText, wideFile, wideFile, &context, *stallLimit_)
                                 : DownloadPrereqs(kStatusText, wideFile, wideFile, &context);
            seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        EXPECT_EQ(result, expected.result);

        std::vector<Request> requests =
            server == Server::Nginx ? accessLog.RequestsFor(file, expected.ranges.size()) : ScriptedRequestsFor(file);
        std::vector<std::string> ranges;
        std::set<long> connections;
        for (const Request& request : requests) {
            ranges.push_back(request.range);
            connections.insert(request.connection);
        }
        EXPECT_EQ(ranges, expected.ranges);
        if (!requests.empty()) {
            EXPECT_EQ(connections.size(), expected.connections) << "kept-alive connections";
        }

        std::vector<FakeWindowMessages::Posted> posted = machine.windows.Snapshot();
        ASSERT_FALSE(posted.empty());
        EXPECT_EQ(posted[0].message, worker_message::kInstallStatus);
        EXPECT_EQ(posted[0].wParam, 0u);
        EXPECT_EQ(posted[0].text, kStatusText);  // carried by the message itself
        EXPECT_EQ(context.statusText, kStatusText);
        std::vector<std::pair<std::int64_t, std::int64_t>> progress;
        for (std::size_t i = 1; i < posted.size(); ++i) {
            EXPECT_EQ(posted[i].message, worker_message::kInstallProgress);
            EXPECT_EQ(posted[i].window, context.window);
            progress.emplace_back(static_cast<std::intptr_t>(posted[i].wParam), posted[i].lParam);
        }
        EXPECT_EQ(progress, expected.progress);

        const std::wstring path = PackageFolder() + wideFile;
        const std::wstring url =
            L"http://" + settings.downloadServer.value() + L"/downloads/skelv/skelv_v31/" + wideFile;
        std::vector<std::wstring> lines = {L"Temporary folder : " + PackageFolder(), L"IN->DownloadPrereqs ()",
                                           L"Downloading " + path + L" from " + url, kStatusText};
        for (std::wstring line : expected.lastLines) {
            for (auto [key, value] : {std::pair{L"{url}", url}, std::pair{L"{path}", path}}) {
                std::size_t at = line.find(key);
                if (at != std::wstring::npos) line.replace(at, std::wcslen(key), value);
            }
            lines.push_back(line);
        }
        EXPECT_EQ(LogEntriesIn(machine.files), lines);

        std::optional<std::string> contents;
        if (files == Files::OnDisk) {
            contents = ReadDiskFile(path);
            if (contents) {
                EXPECT_TRUE(RemoveDiskFile(path)) << "the file is closed on every way out";
            }
        } else {
            EXPECT_TRUE(machine.plainFiles.openPaths.empty()) << "the file is closed on every way out";
            if (machine.plainFiles.Exists(path)) contents = machine.plainFiles.Contents(path);
        }
        if (expected.fileBytes < 0) {
            EXPECT_FALSE(contents.has_value());
        } else {
            ASSERT_TRUE(contents.has_value());
            EXPECT_EQ(contents->size(), static_cast<std::size_t>(expected.fileBytes));
            EXPECT_TRUE(*contents == Pattern(servedSize).substr(0, expected.fileBytes)) << "bytes differ";
        }
        shown_ = machine.desktop.shown;
    }

    std::vector<platform::fakes::FakeDesktop::Shown> shown_;  // message boxes of the last case
    // The download server text of one of the scripted server's misbehaviours.
    static std::wstring HostileServer(const char* behaviour) {
        return L"127.0.0.1:" + std::to_wstring(TestServers::Get().scriptedPort) + L"/hostile/" +
               platform::FromUtf8(behaviour);
    }
    void ReportTime(const char* what) const {
        std::printf("  [ time ] %s, %s driver: the step took %.2f s\n", what, GetParam() ? "socket" : "WinINet",
                    seconds_);
    }

    std::optional<HttpStallLimit> stallLimit_;  // the step's own when not set
    double seconds_ = 0;                        // how long the last case's step took
    ScopedProcessCounters counters_;
};

const std::wstring kOk = L"OUT->DownloadPrereqs ()  OK";
const std::wstring kKo = L"OUT->DownloadPrereqs () KO";
const std::wstring kCancel = L"OUT->DownloadPrereqs () CANCEL";
const std::wstring kFailedToDownload = L"Setup failed to download {url}";
const std::vector<std::pair<std::int64_t, std::int64_t>> kThreeSliceProgress = {{0, 1}, {1, 1}, {2, 1}, {1, 1}};
const std::vector<std::string> kThreeSliceRanges = {RangeOf(0, kSlice), RangeOf(kSlice, kSlice),
                                                    RangeOf(2 * kSlice, kSlice)};

TEST_P(PackageDownload, NginxServesWholeFilesAndSlices) {
    struct Case {
        const char* file;
        std::int64_t size;
        Expected expected;
    };
    const Case cases[] = {
        // One slice answered 200: the size is the body's.
        {"whole-exact-slice.msi", kSlice, {0, {RangeOf(0, kSlice)}, {{0, -1}, {-1, -1}}, {kOk}, kSlice}},
        {"exact-slice.msi", kSlice, {0, {RangeOf(0, kSlice)}, {{0, -1}, {-1, -1}}, {kOk}, kSlice}},
        {"slice-plus-one.msi",
         kSlice + 1,
         {0, {RangeOf(0, kSlice), RangeOf(kSlice, 1)}, {{0, -1}, {1, -1}, {-1, -1}}, {kOk}, kSlice + 1}},
        {"three-slices.msi", 3 * kSlice, {0, kThreeSliceRanges, kThreeSliceProgress, {kOk}, 3 * kSlice}},
        {"missing.msi", 0, {3, {RangeOf(0, kSlice)}, {}, {kFailedToDownload, kKo}, -1}},
        {"whole-empty.msi",
         0,
         {3, {RangeOf(0, kSlice)}, {}, {L"Setup failed - 0  downloaded bytes > 524288 asked bytes", kKo}, -1}},
        // A server that ignores the range sends more than one slice: refused before any file.
        {"whole-three-slices.msi",
         3 * kSlice,
         {3, {RangeOf(0, kSlice)}, {}, {L"Setup failed - 1572864  downloaded bytes > 524288 asked bytes", kKo}, -1}},
    };
    for (const Case& c : cases) Check(Server::Nginx, c.file, c.size, c.expected);
}

// Every fault file of the scripted server holds three slices; its first slice comes back properly
// unless the fault is in the first answer.
TEST_P(PackageDownload, BrokenAnswersEndTheDownload) {
    const std::vector<std::string> firstOnly = {RangeOf(0, kSlice)};
    const std::vector<std::string> firstAndSecond = {RangeOf(0, kSlice), RangeOf(kSlice, kSlice)};
    const std::wstring unusableRange = L"Setup failed - unusable Content-Range ";
    struct Case {
        const char* file;
        Expected expected;
        std::optional<Expected> withWinInet{};  // where the WinINet driver answers otherwise
    };
    const Case cases[] = {
        {"status500.msi", {3, firstOnly, {}, {kFailedToDownload, kKo}, -1}},
        // A success other than 200 and 206: E_FAIL, no further line; the first slice is on disk.
        {"status203.msi", {static_cast<int>(kHttpEFail), firstOnly, {}, {}, kSlice}},
        // A 206 without Content-Range: the header query's error is the result (the WinINet driver
        // reports every failed query as an internal error).
        {"no-content-range.msi",
         {static_cast<int>(kHttpHeaderNotFound), firstOnly, {}, {}, kSlice},
         Expected{static_cast<int>(kHttpInternalError), firstOnly, {}, {}, kSlice}},
        {"range-no-slash.msi", {3, firstOnly, {}, {unusableRange + L"bytes 0-524287", kKo}, kSlice}},
        {"range-bad-total.msi", {3, firstOnly, {}, {unusableRange + L"bytes 0-524287/abc", kKo}, kSlice}},
        {"range-star-total.msi", {3, firstOnly, {}, {unusableRange + L"bytes 0-524287/*", kKo}, kSlice}},
        {"range-small-total.msi", {3, firstOnly, {}, {unusableRange + L"bytes 0-524287/1000", kKo}, kSlice}},
        // The server's 8-bit text is logged as the system's code page reads it.
        {"range-latin1-total.msi", {3, firstOnly, {}, {unusableRange + L"bytes 0-524287/1\u00e9", kKo}, kSlice}},
        // Later slices: each must be a 206 of the bytes asked for, or the download fails.
        {"truncated-slice.msi", {3, firstAndSecond, {{0, 1}}, {kFailedToDownload, kKo}, kSlice}},
        // The socket driver asks once more on a fresh connection when a kept-alive one was dropped.
        {"dropped-slice.msi",
         {3,
          {RangeOf(0, kSlice), RangeOf(kSlice, kSlice), RangeOf(kSlice, kSlice)},
          {{0, 1}},
          {kFailedToDownload, kKo},
          kSlice,
          2},
         Expected{3, firstAndSecond, {{0, 1}}, {kFailedToDownload, kKo}, kSlice}},
        // An error answer's body is no slice, even though the client hands it back.
        {"refused-once.msi", {3, firstAndSecond, {{0, 1}}, {kFailedToDownload, kKo}, kSlice}},
        {"wrong-start.msi", {3, firstAndSecond, {{0, 1}}, {kFailedToDownload, kKo}, kSlice}},
        {"whole-later.msi", {3, firstAndSecond, {{0, 1}}, {kFailedToDownload, kKo}, kSlice}},
        {"oversized-slice.msi",
         {3, firstAndSecond, {{0, 1}}, {L"Setup failed - 524298  downloaded bytes > 524288 asked bytes", kKo}, kSlice}},
        // An empty slice is asked again three times, then the download fails.
        {"empty-slices.msi",
         {3,
          {RangeOf(0, kSlice), RangeOf(kSlice, kSlice), RangeOf(kSlice, kSlice), RangeOf(kSlice, kSlice),
           RangeOf(kSlice, kSlice)},
          {{0, 1}},
          {kFailedToDownload, kKo},
          kSlice}},
    };
    for (const Case& c : cases) {
        bool socketDriver = GetParam();
        Check(Server::Scripted, c.file, 3 * kSlice, !socketDriver && c.withWinInet ? *c.withWinInet : c.expected);
    }
}

// Short but proper slices: each request goes on from the last byte received.
TEST_P(PackageDownload, ShortSlicesAreContinued) {
    Expected expected{0, {RangeOf(0, kSlice)}, {{0, 1}}, {kOk}, 3 * kSlice};
    std::int64_t offset = kSlice;
    for (int position = 1; offset < 3 * kSlice; ++position) {
        std::int64_t count = std::min<std::int64_t>(kSlice, 3 * kSlice - offset);
        expected.ranges.push_back(RangeOf(offset, count));
        offset += std::min<std::int64_t>(count, 100000);
        expected.progress.emplace_back(position, 1);
    }
    expected.progress.emplace_back(1, 1);
    Check(Server::Scripted, "short-slices.msi", 3 * kSlice, expected);
}

TEST_P(PackageDownload, CancelQuestionAfterASlice) {
    auto pressCancel = [](platform::MessageAnswer answer) {
        return [answer](platform::fakes::FakeMachine& machine) {
            machine.desktop.answer = answer;
            CancelRequested = 1;
        };
    };
    // Yes: the download stops after the slice in hand; the partial file stays for the clean-up.
    Check(Server::Nginx, "three-slices.msi", 3 * kSlice,
          {2,
           {RangeOf(0, kSlice), RangeOf(kSlice, kSlice)},
           {{0, 1}},
           {L"Setup was interrupted by user during download of {url}", kCancel},
           2 * kSlice},
          pressCancel(platform::MessageAnswer::Yes));
    EXPECT_EQ(CancelRequested, 1);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, L"Are you sure you want to cancel KORVO Skelv installation?");
    EXPECT_EQ(shown_[0].caption, L"KORVO Skelv Setup");
    EXPECT_EQ(shown_[0].icon, platform::MessageIcon::Question);
    EXPECT_EQ(shown_[0].buttons, platform::MessageButtons::YesNo);

    // No: the Cancel is taken back and the download goes on.
    Check(Server::Nginx, "three-slices.msi", 3 * kSlice, {0, kThreeSliceRanges, kThreeSliceProgress, {kOk}, 3 * kSlice},
          pressCancel(platform::MessageAnswer::No));
    EXPECT_EQ(CancelRequested, 0);
    EXPECT_EQ(shown_.size(), 1u);

    // Two presses not yet answered: no question from this step.
    Check(Server::Nginx, "three-slices.msi", 3 * kSlice, {0, kThreeSliceRanges, kThreeSliceProgress, {kOk}, 3 * kSlice},
          [](platform::fakes::FakeMachine&) { CancelRequested = 2; });
    EXPECT_EQ(CancelRequested, 2);
    EXPECT_TRUE(shown_.empty());
}

TEST_P(PackageDownload, LocalFileAndAddressFailures) {
    // The package file cannot be created.
    Check(
        Server::Nginx, "exact-slice.msi", kSlice, {3, {RangeOf(0, kSlice)}, {}, {L"Cannot open file {path}", kKo}, -1},
        [](platform::fakes::FakeMachine& machine) {
            machine.plainFiles.refused.insert(L"C:\\Temp\\KORVOS1234\\exact-slice.msi");
        },
        {}, Files::Fake);
    // The disk fills up during the second slice.
    Check(
        Server::Nginx, "three-slices.msi", 3 * kSlice,
        {3,
         {RangeOf(0, kSlice), RangeOf(kSlice, kSlice)},
         {{0, 1}},
         {L"Setup wrote only 475712 bytes in {path} instead of 524288 bytes", kKo},
         kSlice + 475712},
        [](platform::fakes::FakeMachine& machine) { machine.plainFiles.writeLimit = 1000000; }, {}, Files::Fake);
}

#ifndef _WIN32
// The disk fills up exactly at the last byte, on the program's own file code: a byte the system
// refuses is never counted as written, even when it would only reach the disk at the close.
TEST_P(PackageDownload, AFullDiskAtTheLastByteIsAShortWrite) {
    struct FileSizeLimit {
        explicit FileSizeLimit(rlim_t bytes) {
            getrlimit(RLIMIT_FSIZE, &old);
            rlimit limit = old;
            limit.rlim_cur = bytes;
            oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        ~FileSizeLimit() {
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        }
        rlimit old{};
        void (*oldHandler)(int) = nullptr;
    };
    Expected expected{3,
                      {RangeOf(0, kSlice), RangeOf(kSlice, 1)},
                      {{0, -1}},
                      {L"Setup wrote only 0 bytes in {path} instead of 1 bytes", kKo},
                      kSlice};
    FileSizeLimit limit(kSlice);
    Check(Server::Nginx, "slice-plus-one.msi", kSlice + 1, expected);
}
#endif

// An address the 8-bit buffer cannot hold whole is never sent, cut or converted.
TEST_P(PackageDownload, UnusableAddressesAreNotRequested) {
    const std::wstring unusable = L"Setup cannot request {url}: the address is not ASCII text of at most 1023 bytes";
    for (const std::wstring& server :
         {std::wstring(L"h\u00e9te.example"), L"127.0.0.1:1/" + std::wstring(1000, L'x')}) {
        Check(Server::Nginx, "exact-slice.msi", kSlice, {3, {}, {}, {unusable, kKo}, -1}, {}, server);
    }
}

// A server that ignores Range, or sends more than a slice after a proper header, ends the download
// at the slice's bound with the size line: the announced length, or one byte past the bound.
TEST_P(PackageDownload, ASliceTakesNoMoreThanItAskedFor) {
    const std::wstring port = std::to_wstring(TestServers::Get().scriptedPort);
    auto tooMany = [](const wchar_t* received, const wchar_t* asked) {
        return std::wstring(L"Setup failed - ") + received + L"  downloaded bytes > " + asked + L" asked bytes";
    };
    struct Case {
        const char* behaviour;
        Expected expected;
    };
    const std::vector<std::string> firstOnly = {RangeOf(0, kSlice)};
    const Case cases[] = {
        {"ignore-range-600", {3, firstOnly, {}, {tooMany(L"629145600", L"524288"), kKo}, -1}},
        {"ignore-range-unannounced-600", {3, firstOnly, {}, {tooMany(L"524289", L"524288"), kKo}, -1}},
        {"ignore-range-chunked-600", {3, firstOnly, {}, {tooMany(L"524289", L"524288"), kKo}, -1}},
        {"oversize-600-later",
         {3, {RangeOf(0, kSlice), RangeOf(kSlice, kSlice)}, {{0, 1}}, {tooMany(L"629145600", L"524288"), kKo}, kSlice}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        Check(Server::Scripted, "three-slices.msi", 3 * kSlice, c.expected, {}, HostileServer(c.behaviour));
    }
}

// A slice that gets less than the least bytes in a stall window fails the download as any failed
// slice does. The limit is shortened here; the time each case took is printed.
TEST_P(PackageDownload, AStalledSliceFailsTheDownload) {
    stallLimit_ = HttpStallLimit{1500, 1024};
    const std::vector<std::string> firstAndSecond = {RangeOf(0, kSlice), RangeOf(kSlice, kSlice)};
    struct Case {
        const char* behaviour;
        Expected expected;
    };
    const Case cases[] = {
        {"silent", {3, {RangeOf(0, kSlice)}, {}, {kFailedToDownload, kKo}, -1}},
        {"stall-after-headers", {3, {RangeOf(0, kSlice)}, {}, {kFailedToDownload, kKo}, -1}},
        {"stall-mid-body-later", {3, firstAndSecond, {{0, 1}}, {kFailedToDownload, kKo}, kSlice}},
        {"drip-100-later", {3, firstAndSecond, {{0, 1}}, {kFailedToDownload, kKo}, kSlice}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        Check(Server::Scripted, "three-slices.msi", 3 * kSlice, c.expected, {}, HostileServer(c.behaviour));
        ReportTime(c.behaviour);
    }
}

// Cancel pressed while a slice stalls: the question comes at once, not after the slice. Yes ends the
// download; No asks for the same slice again, which stalls again and fails.
TEST_P(PackageDownload, CancelDuringAStalledSliceAsksAtOnce) {
    stallLimit_ = HttpStallLimit{4000, 1024};
    const std::vector<std::string> firstAndSecond = {RangeOf(0, kSlice), RangeOf(kSlice, kSlice)};
    auto pressCancelInTheStall = [](platform::MessageAnswer answer) {
        return [answer](platform::fakes::FakeMachine& machine) {
            machine.desktop.answer = answer;
            CancelRequested = 0;
            PressCancelOnceTheFirstSliceIsWritten();
        };
    };
    Check(Server::Scripted, "three-slices.msi", 3 * kSlice,
          {2, firstAndSecond, {{0, 1}}, {L"Setup was interrupted by user during download of {url}", kCancel}, kSlice},
          pressCancelInTheStall(platform::MessageAnswer::Yes), HostileServer("stall-mid-body-later"));
    ReportTime("cancel, Yes");
    JoinCancelPress();
    EXPECT_EQ(CancelRequested, 1);
    EXPECT_EQ(shown_.size(), 1u);

    Check(Server::Scripted, "three-slices.msi", 3 * kSlice,
          {3,
           {RangeOf(0, kSlice), RangeOf(kSlice, kSlice), RangeOf(kSlice, kSlice)},
           {{0, 1}},
           {kFailedToDownload, kKo},
           kSlice,
           2},
          pressCancelInTheStall(platform::MessageAnswer::No), HostileServer("stall-mid-body-later"));
    ReportTime("cancel, No");
    JoinCancelPress();
    EXPECT_EQ(CancelRequested, 0);
    EXPECT_EQ(shown_.size(), 1u);
}

TEST_P(PackageDownload, WithoutAContextNothingIsPosted) {
    ScopedFakeMachine machine;
    PrepareInstallPaths();
    ProcessSettings settings;
    settings.downloadServer = L"127.0.0.1:" + std::to_wstring(TestServers::Get().nginxPort);
    settings.socketDriverRequested = GetParam();
    ScopedProcessSettings scope(settings);
    EXPECT_EQ(DownloadPrereqs(kStatusText, L"slice-plus-one.msi", L"slice-plus-one.msi", nullptr), 0);
    EXPECT_TRUE(machine.windows.Snapshot().empty());
    EXPECT_EQ(machine.plainFiles.Contents(PackageFolder() + L"slice-plus-one.msi"), Pattern(kSlice + 1));
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Drivers, PackageDownload, ::testing::Values(false, true));
#else
INSTANTIATE_TEST_SUITE_P(Drivers, PackageDownload, ::testing::Values(true));
#endif

}  // namespace
