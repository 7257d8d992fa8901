// install_driver: plays the setup dialog around the real install worker, under Wine.
//
//   install_driver run [--vc8] [--msxml] [--scan-prereqs] [--cancel-at <text id>] [--launch]
//                      [--probe-at <text id>] [--wait-for-plant]
//     Sets the start-up results (--vc8, --msxml; or --scan-prereqs runs the real prerequisite
//     scan), owns a window that receives the worker's messages, starts the worker on a thread of
//     its own as the dialog does, and records every message, in order, to C:\korvo-e2e\messages.txt.
//     --cancel-at presses Cancel when the status text of that catalogue number arrives; the cancel
//     question is answered Yes. --launch starts the installed product after a successful run, as
//     start-up does. --probe-at runs "install_driver probe" on the product's package, as another
//     process, when the status text of that catalogue number arrives, and records its answer.
//     --wait-for-plant writes the driver's process id to C:\korvo-e2e\pid.txt and starts the worker
//     only once C:\korvo-e2e\planted exists (the case plants things at the names the run will use).
//     Exits with the worker's result (1, 2, 3), or kTimedOut.
//   install_driver probe <file>
//     Tries to open the file for writing, to rename it, to delete it and to read it, and prints
//     "probe write=<refused|done> rename=... delete=... read=...".
//   install_driver query <upgrade code>
//     Prints "<1|0> <version>": whether Windows Installer has a product of that family, and its version.
//
// Record lines: "window <handle in decimal>"; per worker message its number, then for 1283
// "<wParam> <status text>", for 1282 "<position> <range>", for the final one its name, wParam and
// lParam ("context" for any non-zero value): "1281 succeeded 0 0", "1284 failed 0 context",
// "1285 expand-failed 0 context", "1286 canceled 0 context"; "CUSTOM_UPDATE_PROGRESS <position>
// <range>", "CUSTOM_UPDATE_LOWEXPAND", "question <caption> | <text>", the probe's line; last
// "result <worker's result>".
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "checks/InstalledProducts.h"
#include "checks/StartupCheckResults.h"
#include "checks/StartupChecks.h"
#include "core/InstallPaths.h"
#include "core/MessageCatalogue.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "setup/ApplicationLaunch.h"
#include "setup/InstallContext.h"
#include "setup/InstallWorker.h"
#include "setup/RunningWorker.h"
#include "setup/SetupOutcomes.h"
#include "setup/StatusNote.h"
#include "setup/WorkerMessages.h"
#include "tests/install/QuestionClicker.h"

namespace {

constexpr wchar_t kRecordFolder[] = L"C:\\korvo-e2e";
constexpr wchar_t kRecordFile[] = L"C:\\korvo-e2e\\messages.txt";
constexpr wchar_t kPidFile[] = L"C:\\korvo-e2e\\pid.txt";
constexpr wchar_t kPlantedFile[] = L"C:\\korvo-e2e\\planted";
constexpr DWORD kPlantWaitMilliseconds = 30000;
constexpr DWORD kProbeWaitMilliseconds = 20000;
constexpr DWORD kRunLimitMilliseconds = 150000;
constexpr DWORD kPumpSliceMilliseconds = 100;
constexpr int kTimedOut = 90;
constexpr int kUsageError = 91;

struct Options {
    bool vc8 = false;
    bool msxml = false;
    bool scanPrereqs = false;
    unsigned cancelAt = 0;  // 0: never press Cancel
    bool launch = false;
    unsigned probeAt = 0;  // 0: no probe
    bool waitForPlant = false;
};

class Record {
public:
    bool Open() {
        CreateDirectoryW(kRecordFolder, nullptr);
        file_ = _wfopen(kRecordFile, L"wb");
        return file_ != nullptr;
    }
    ~Record() {
        if (file_ != nullptr) std::fclose(file_);
    }
    void Line(const std::wstring& text) {
        std::wstring line = text + L"\n";
        int size =
            WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &bytes[0], size, nullptr, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file_);
        std::fflush(file_);
    }

private:
    FILE* file_ = nullptr;
};

// Positions travel in wParam and may be negative.
std::wstring Signed(WPARAM value) {
    return std::to_wstring(static_cast<long long>(value));
}

bool ParseRunOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 2; i < argc; ++i) {
        std::wstring option = argv[i];
        if (option == L"--vc8") {
            options.vc8 = true;
        } else if (option == L"--msxml") {
            options.msxml = true;
        } else if (option == L"--scan-prereqs") {
            options.scanPrereqs = true;
        } else if (option == L"--launch") {
            options.launch = true;
        } else if (option == L"--cancel-at" && i + 1 < argc) {
            options.cancelAt = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
        } else if (option == L"--probe-at" && i + 1 < argc) {
            options.probeAt = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
        } else if (option == L"--wait-for-plant") {
            options.waitForPlant = true;
        } else {
            return false;
        }
    }
    return true;
}

// Another process's attempts on the product's package, while the worker holds it: the probe's line.
std::wstring ProbeProductPackage() {
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring package = PackageFolder() + L"KORVOSkelv.msi";
    std::wstring line = L"\"" + std::wstring(self) + L"\" probe \"" + package + L"\"";
    std::wstring output = PackageFolder() + L"..\\probe.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
        CloseHandle(out);
        return L"probe not started";
    }
    WaitForSingleObject(process.hProcess, kProbeWaitMilliseconds);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(out);
    FILE* answer = _wfopen(output.c_str(), L"rb");
    char text[256] = {};
    if (answer != nullptr) {
        std::fgets(text, sizeof text, answer);
        std::fclose(answer);
    }
    DeleteFileW(output.c_str());
    std::string bytes(text);
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
    return std::wstring(bytes.begin(), bytes.end());
}

int Probe(const std::wstring& file) {
    auto outcome = [](bool done) { return done ? "done" : "refused"; };
    HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    bool wrote = writer != INVALID_HANDLE_VALUE;
    if (wrote) CloseHandle(writer);
    std::wstring moved = file + L".moved";
    bool renamed = MoveFileW(file.c_str(), moved.c_str()) != FALSE;
    if (renamed) MoveFileW(moved.c_str(), file.c_str());
    bool deleted = DeleteFileW(file.c_str()) != FALSE;
    HANDLE reader = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    bool read = reader != INVALID_HANDLE_VALUE;
    if (read) CloseHandle(reader);
    std::printf("probe write=%s rename=%s delete=%s read=%s\n", outcome(wrote), outcome(renamed), outcome(deleted),
                outcome(read));
    return 0;
}

// The case plants what it wants at the names this process will use, then says so.
bool WaitForPlant() {
    FILE* pid = _wfopen(kPidFile, L"wb");
    if (pid == nullptr) return false;
    std::fprintf(pid, "%lu\n", GetCurrentProcessId());
    std::fclose(pid);
    for (DWORD waited = 0; waited < kPlantWaitMilliseconds; waited += kPumpSliceMilliseconds) {
        if (GetFileAttributesW(kPlantedFile) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(kPumpSliceMilliseconds);
    }
    return false;
}

DWORD WINAPI RunWorker(void* context) {
    return static_cast<DWORD>(ThreadDownloadInstall(static_cast<InstallContext*>(context)));
}

// Plays the dialog while the worker runs: records what arrives, presses Cancel when asked to.
class DialogStandIn {
public:
    DialogStandIn(Record& record, const Options& options) : record_(record) {
        if (options.cancelAt != 0) cancelText_ = MessageCatalogue::FormatPositional(options.cancelAt, {product::kName});
        if (options.probeAt != 0) probeText_ = MessageCatalogue::FormatPositional(options.probeAt, {product::kName});
        progressMessage_ = RegisterWindowMessageW(L"CUSTOM_UPDATE_PROGRESS");
        lowExpandMessage_ = RegisterWindowMessageW(L"CUSTOM_UPDATE_LOWEXPAND");
    }

    // Handles one message posted to the window; true when it was the worker's final message.
    bool Handle(const MSG& message) {
        switch (message.message) {
            case worker_message::kInstallStatus: {
                std::wstring text = TakeStatusNote(message.lParam).value_or(L"");
                record_.Line(L"1283 " + std::to_wstring(message.wParam) + L" " + text);
                if (!cancelText_.empty() && text == cancelText_ && !cancelPressed_) {
                    cancelPressed_ = true;
                    CancelRequested.fetch_add(1);
                }
                if (!probeText_.empty() && text == probeText_) record_.Line(ProbeProductPackage());
                return false;
            }
            case worker_message::kInstallProgress:
                record_.Line(L"1282 " + Signed(message.wParam) + L" " + std::to_wstring(message.lParam));
                return false;
            case kQuestionAnswered: {
                auto* question = reinterpret_cast<std::wstring*>(message.lParam);
                record_.Line(L"question " + *question);
                delete question;
                return false;
            }
            case worker_message::kInstallSucceeded:
                return RecordFinal(message, L"succeeded");
            case worker_message::kInstallFailed:
                return RecordFinal(message, L"failed");
            case worker_message::kExpandFailed:
                return RecordFinal(message, L"expand-failed");
            case worker_message::kInstallCancelled:
                return RecordFinal(message, L"canceled");
            default:
                break;
        }
        if (message.message == progressMessage_) {
            record_.Line(L"CUSTOM_UPDATE_PROGRESS " + Signed(message.wParam) + L" " + std::to_wstring(message.lParam));
        } else if (message.message == lowExpandMessage_) {
            record_.Line(L"CUSTOM_UPDATE_LOWEXPAND");
        }
        return false;
    }

private:
    // The context the final messages name is freed by then: only whether one was named is recorded.
    bool RecordFinal(const MSG& message, const std::wstring& name) {
        record_.Line(std::to_wstring(message.message) + L" " + name + L" " + std::to_wstring(message.wParam) +
                     (message.lParam != 0 ? L" context" : L" 0"));
        return true;
    }

    Record& record_;
    std::wstring cancelText_;
    std::wstring probeText_;
    bool cancelPressed_ = false;
    UINT progressMessage_ = 0;
    UINT lowExpandMessage_ = 0;
};

HWND MakeWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KorvoInstallDriver";
    if (RegisterClassW(&windowClass) == 0) return nullptr;
    return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

// Handles the window's messages until the final one has come and the worker has ended; false on
// time-out.
bool Pump(HWND window, HANDLE worker, DialogStandIn& dialog) {
    bool finalSeen = false;
    bool workerEnded = false;
    DWORD start = GetTickCount();
    while (!(finalSeen && workerEnded)) {
        if (GetTickCount() - start > kRunLimitMilliseconds) return false;
        DWORD woke = MsgWaitForMultipleObjects(1, &worker, FALSE, kPumpSliceMilliseconds, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) workerEnded = true;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.hwnd == window) {
                finalSeen = dialog.Handle(message) || finalSeen;
            } else {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    return true;
}

int Run(const Options& options) {
    Record record;
    if (!record.Open()) return kUsageError;
    HWND window = MakeWindow();
    if (window == nullptr) return kUsageError;
    record.Line(L"window " + std::to_wstring(reinterpret_cast<INT_PTR>(window)));

    if (options.scanPrereqs) {
        CheckAllPrereqs();
    } else {
        StartupResults().vc8PrereqNeeded = options.vc8;
        StartupResults().msxmlPrereqNeeded = options.msxml;
    }

    if (options.waitForPlant && !WaitForPlant()) return kUsageError;
    QuestionClicker clicker(window);
    if (!clicker.Start()) return kUsageError;
    DialogStandIn dialog(record, options);
    auto* context = new InstallContext{reinterpret_cast<platform::WindowHandle>(window), L""};
    RegisterRunningWorker();
    HANDLE worker = CreateThread(nullptr, 0, &RunWorker, context, 0, nullptr);
    if (worker == nullptr) return kUsageError;
    if (!Pump(window, worker, dialog)) {
        record.Line(L"timed out");
        return kTimedOut;
    }
    clicker.Stop();
    DWORD result = 0;
    GetExitCodeThread(worker, &result);
    CloseHandle(worker);
    record.Line(L"result " + std::to_wstring(result));
    if (options.launch && static_cast<int>(result) == kRunInstalled) LaunchInstalledApplication();
    return static_cast<int>(result);
}

int Query(const std::wstring& upgradeCode) {
    InstalledPackageFacts facts = ReadInstalledPackage(upgradeCode);
    std::printf("%d %ls\n", facts.registered ? 1 : 0, facts.versionText.c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"query" && argc == 3) return Query(argv[2]);
    if (mode == L"probe" && argc == 3) return Probe(argv[2]);
    Options options;
    if (mode == L"run" && ParseRunOptions(argc, argv, options)) return Run(options);
    std::fprintf(stderr,
                 "usage: install_driver run [--vc8] [--msxml] [--scan-prereqs] [--cancel-at <id>] [--launch]\n"
                 "                          [--probe-at <id>] [--wait-for-plant]\n"
                 "       install_driver probe <file>\n"
                 "       install_driver query <upgrade code>\n");
    return kUsageError;
}
