// install_driver: plays the setup dialog around the real install worker, under Wine.
//
//   install_driver run [--vc8] [--msxml] [--scan-prereqs] [--cancel-at <text id>] [--launch]
//     Sets the start-up results (--vc8, --msxml; or --scan-prereqs runs the real prerequisite
//     scan), owns a window that receives the worker's messages, starts the worker on a thread of
//     its own as the dialog does, and records every message, in order, to C:\korvo-e2e\messages.txt.
//     --cancel-at presses Cancel when the status text of that catalogue number arrives; the cancel
//     question is answered Yes. --launch starts the installed product after a successful run, as
//     start-up does. Exits with the worker's result (1, 2, 3), or kTimedOut.
//   install_driver query <upgrade code>
//     Prints "<1|0> <version>": whether Windows Installer has a product of that family, and its version.
//
// Record lines: "window <handle in decimal>"; per worker message its number, then for 1283
// "<wParam> <status text>", for 1282 "<position> <range>", for the final one its name, wParam and
// lParam ("context" for any non-zero value): "1281 succeeded 0 0", "1284 failed 0 context",
// "1285 expand-failed 0 context", "1286 canceled 0 context"; "CUSTOM_UPDATE_PROGRESS <position>
// <range>", "CUSTOM_UPDATE_LOWEXPAND", "question <caption> | <text>"; last "result <worker's result>".
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "checks/InstalledProducts.h"
#include "checks/StartupCheckResults.h"
#include "checks/StartupChecks.h"
#include "core/MessageCatalogue.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "setup/InstallContext.h"
#include "setup/InstallWorker.h"
#include "setup/PostInstallTools.h"
#include "setup/RunningWorker.h"
#include "setup/StatusNote.h"
#include "setup/WorkerMessages.h"
#include "tests/install/QuestionClicker.h"

namespace {

constexpr wchar_t kRecordFolder[] = L"C:\\korvo-e2e";
constexpr wchar_t kRecordFile[] = L"C:\\korvo-e2e\\messages.txt";
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
        } else {
            return false;
        }
    }
    return true;
}

DWORD WINAPI RunWorker(void* context) {
    return static_cast<DWORD>(ThreadDownloadInstall(static_cast<InstallContext*>(context)));
}

// Plays the dialog while the worker runs: records what arrives, presses Cancel when asked to.
class DialogStandIn {
public:
    DialogStandIn(Record& record, const Options& options) : record_(record) {
        if (options.cancelAt != 0) cancelText_ = MessageCatalogue::FormatPositional(options.cancelAt, {product::kName});
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
            case worker_message::kInstallCanceled:
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
    if (options.launch && result == 1) LaunchInstalledApplication();
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
    Options options;
    if (mode == L"run" && ParseRunOptions(argc, argv, options)) return Run(options);
    std::fprintf(stderr,
                 "usage: install_driver run [--vc8] [--msxml] [--scan-prereqs] [--cancel-at <id>] [--launch]\n"
                 "       install_driver query <upgrade code>\n");
    return kUsageError;
}
