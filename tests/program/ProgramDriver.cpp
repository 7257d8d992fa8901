// Drives the real setup program from outside, as a user would, through one whole scenario:
//   program_driver <scenario> <texts file> <pictures folder> [second copy's executable]
// Scenarios: install (accept, Install, wait for success, Close), fail (the same up to the failure
// end, then Close), cancel (Cancel during the product's download answered No, then Cancel answered
// Yes), blocked (the refusal, ended with Escape), second (a second copy started while the dialog
// shows). The texts file holds the texts the dialog must show, in the user's language, one
// "<catalogue ID><tab><text>" a line (UTF-8, line breaks written as \n). A notice before the dialog
// (the test server's warning) is answered with OK. Before Install, the recorder library is hooked
// into the dialog's thread. Pictures of each state are left as BMP files in the pictures folder.
// Exits 0 when every check holds; otherwise prints what differed and exits 1.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "resources/DialogIds.h"
#include "tests/support/win32/WindowDriving.h"

using window_test::Click;
using window_test::FindMessageBox;
using window_test::MessageBoxText;
using window_test::Pause;
using window_test::PressEscape;
using window_test::Send;
using window_test::Text;

namespace {

constexpr DWORD kPollMs = 50;
constexpr DWORD kDialogWaitMs = 60000;  // the program's start-up checks come first
constexpr DWORD kRunWaitMs = 150000;    // a whole install run with both prerequisites
constexpr DWORD kAnswerWaitMs = 20000;  // a question, a button coming back, a process ending
constexpr DWORD kRunGoesOnMs = 15000;   // the progress must move this soon after a No
constexpr DWORD kStatusPaintMs = 100;   // a status text may show only briefly

enum TextId {
    kCaptionText = 138,
    kInstructionText = 143,
    kDownloadingProductText = 124,
    kInstallingProductText = 125,
    kSucceededText = 130,
    kFailedText = 137,
    kInterruptedText = 140,
    kCloseText = 116,
    kRefusalText = 149,
    kAnotherCopyText = 150,
    kCancelQuestionText = 1020,
};

int failures = 0;

void Expect(bool holds, const std::string& what) {
    if (!holds) {
        std::fprintf(stderr, "FAIL: %s\n", what.c_str());
        ++failures;
    }
}

void Note(const std::string& what) {
    std::printf("%s\n", what.c_str());
    std::fflush(stdout);
}

std::wstring Wide(const std::string& utf8) {
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], size);
    return out;
}

std::string Utf8(const std::wstring& text) {
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

std::map<int, std::wstring> ReadTexts(const wchar_t* path) {
    std::map<int, std::wstring> texts;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos) texts[std::stoi(line.substr(0, tab))] = Wide(line.substr(tab + 1));
    }
    return texts;
}

// Waits until `done` holds, calling `meanwhile` on every poll; false when the time ran out.
template <typename Done, typename Meanwhile>
bool WaitUntil(DWORD limitMs, Done done, Meanwhile meanwhile) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= limitMs) return false;
        meanwhile();
        Pause(kPollMs);
    }
    return true;
}

template <typename Done>
bool WaitUntil(DWORD limitMs, Done done) {
    return WaitUntil(limitMs, done, [] {});
}

class Session {
public:
    Session(std::map<int, std::wstring> texts, std::wstring pictures)
        : texts_(std::move(texts)), pictures_(std::move(pictures)) {}

    const std::wstring& Catalogue(int id) {
        if (texts_.count(id) == 0) Expect(false, "the texts file lacks text " + std::to_string(id));
        return texts_[id];
    }

    void Picture(HWND window, const char* name, DWORD pauseMs = window_test::kRepaintPauseMs) {
        window_test::TakePicture(window, pictures_ + L"\\" + Wide(name) + L".bmp", pauseMs);
        Note(std::string("picture ") + name);
    }

    // The setup's dialog once it shows; a notice before it is answered with OK.
    HWND WaitForDialog() {
        HWND found = nullptr;
        WaitUntil(
            kDialogWaitMs,
            [&] {
                found = FindWindowW(L"KORVOSkelvClass", nullptr);
                return found != nullptr && IsWindowVisible(found);
            },
            [&] { AnswerNotice(); });
        return found != nullptr && IsWindowVisible(found) ? found : nullptr;
    }

    // Hooks the recorder library into the dialog's thread, so the texts the dialog gets are recorded.
    bool HookRecorder(HWND dialog) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring library(path);
        library = library.substr(0, library.find_last_of(L'\\') + 1) + L"dialog_text_recorder.dll";
        HMODULE module = LoadLibraryW(library.c_str());
        auto procedure =
            module ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, "RecordDialogTexts")))
                   : nullptr;
        DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
        hook_ = procedure ? SetWindowsHookExW(WH_CALLWNDPROC, procedure, module, thread) : nullptr;
        return hook_ != nullptr;
    }

    void Unhook() {
        if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }

private:
    void AnswerNotice() {
        HWND box = FindWindowW(L"#32770", nullptr);
        if (box == nullptr || !IsWindowVisible(box) || GetDlgItem(box, IDOK) == nullptr) return;
        DWORD owner = 0;
        GetWindowThreadProcessId(box, &owner);
        if (owner == GetCurrentProcessId()) return;
        Note("notice answered: " + Utf8(MessageBoxText(box)));
        Send(GetDlgItem(box, IDOK), BM_CLICK);
    }

    std::map<int, std::wstring> texts_;
    std::wstring pictures_;
    HHOOK hook_ = nullptr;
};

struct Dialog {
    HWND window;
    HWND Control(int id) const { return GetDlgItem(window, id); }
    bool Shown(int id) const { return IsWindowVisible(Control(id)) != FALSE; }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    std::wstring TextOf(int id) const { return Text(Control(id)); }
    DWORD Process() const {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        return id;
    }
};

// The licence step: accept, then start the run. Pictures "ready" and "accepted".
void AcceptAndInstall(Session& session, const Dialog& dialog) {
    Expect(Text(dialog.window) == session.Catalogue(kCaptionText), "the caption");
    Expect(dialog.TextOf(IDC_STATUS_TEXT) == session.Catalogue(kInstructionText), "the instruction text");
    Expect(dialog.Shown(IDC_ACCEPT_CHECK_BOX) && !dialog.Enabled(IDC_INSTALL_BUTTON), "licence step: Install disabled");
    session.Picture(dialog.window, "ready");
    Click(dialog.Control(IDC_ACCEPT_CHECK_BOX));
    Expect(dialog.Enabled(IDC_INSTALL_BUTTON), "Install enabled once accepted");
    session.Picture(dialog.window, "accepted");
    Expect(session.HookRecorder(dialog.window), "the recorder could not be hooked into the dialog");
    Click(dialog.Control(IDC_INSTALL_BUTTON));
    Expect(dialog.Shown(IDC_PROGRESS_BAR) && !dialog.Shown(IDC_INSTALL_BUTTON), "running: progress bar, no Install");
}

// Pictures of the product's download and installation, taken when their status texts show.
struct RunWatcher {
    Session& session;
    const Dialog& dialog;
    bool downloading = false, installing = false;
    LRESULT highestProgress = 0;

    void operator()() {
        std::wstring status = dialog.TextOf(IDC_STATUS_TEXT);
        if (!downloading && status == session.Catalogue(kDownloadingProductText)) {
            downloading = true;
            session.Picture(dialog.window, "downloading", kStatusPaintMs);
        }
        if (!installing && status == session.Catalogue(kInstallingProductText)) {
            installing = true;
            session.Picture(dialog.window, "installing", kStatusPaintMs);
        }
        LRESULT position = Send(dialog.Control(IDC_PROGRESS_BAR), PBM_GETPOS);
        if (position > highestProgress) highestProgress = position;
    }
};

bool Closing(Session& session, const Dialog& dialog) {
    return dialog.TextOf(IDC_CANCEL_BUTTON) == session.Catalogue(kCloseText) && dialog.Enabled(IDC_CANCEL_BUTTON);
}

void CloseDialog(const Dialog& dialog) {
    Note("Close pressed");
    PostMessageW(dialog.Control(IDC_CANCEL_BUTTON), BM_CLICK, 0, 0);  // the dialog ends: no answer to wait for
}

void Install(Session& session, const Dialog& dialog) {
    AcceptAndInstall(session, dialog);
    RunWatcher watcher{session, dialog};
    bool ended = WaitUntil(
        kRunWaitMs, [&] { return Closing(session, dialog); }, [&] { watcher(); });
    Expect(ended, "the run did not end in time");
    Expect(watcher.highestProgress > 0, "the progress bar never moved");
    Expect(dialog.TextOf(IDC_STATUS_TEXT) == session.Catalogue(kSucceededText), "the success text");
    Expect(!dialog.Shown(IDC_PROGRESS_BAR) && !dialog.Shown(IDC_END_MESSAGE),
           "success: no progress bar, no end message");
    session.Picture(dialog.window, "success");
    Note("highest progress " + std::to_string(watcher.highestProgress));
    CloseDialog(dialog);
}

void Fail(Session& session, const Dialog& dialog) {
    AcceptAndInstall(session, dialog);
    RunWatcher watcher{session, dialog};
    bool ended = WaitUntil(
        kRunWaitMs, [&] { return Closing(session, dialog); }, [&] { watcher(); });
    Expect(ended, "the run did not end in time");
    HWND message = dialog.Control(IDC_END_MESSAGE);
    Expect(dialog.Shown(IDC_END_MESSAGE) && !dialog.Shown(IDC_STATUS_TEXT), "failure: end message instead of status");
    Expect(Text(message) == session.Catalogue(kFailedText), "the failure text with the log path");
    Expect((GetWindowLongW(message, GWL_STYLE) & ES_READONLY) != 0, "the end message is read-only");
    Send(message, EM_SETSEL, 0, -1);
    DWORD selectionEnd = 0;
    Send(message, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&selectionEnd));
    Expect(selectionEnd == static_cast<DWORD>(Send(message, WM_GETTEXTLENGTH)), "the end message can be selected");
    Send(message, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    session.Picture(dialog.window, "failure");
    CloseDialog(dialog);
}

// Presses Cancel and waits for the cancel question; null when none came.
HWND AskToCancel(Session& session, const Dialog& dialog) {
    Click(dialog.Control(IDC_CANCEL_BUTTON));
    HWND box = nullptr;
    WaitUntil(kAnswerWaitMs, [&] { return (box = FindMessageBox(dialog.Process(), dialog.window)) != nullptr; });
    if (box == nullptr) return nullptr;
    Expect(MessageBoxText(box) == session.Catalogue(kCancelQuestionText), "the cancel question's text");
    return box;
}

void Cancel(Session& session, const Dialog& dialog) {
    AcceptAndInstall(session, dialog);
    RunWatcher watcher{session, dialog};
    bool downloading = WaitUntil(
        kRunWaitMs, [&] { return watcher.downloading; }, [&] { watcher(); });
    Expect(downloading, "the product's download never showed");
    if (!downloading) return;

    HWND box = AskToCancel(session, dialog);
    Expect(box != nullptr, "no cancel question after the first Cancel");
    if (box == nullptr) return;
    session.Picture(box, "question");
    Click(GetDlgItem(box, IDNO));
    Note("first question answered No");
    bool back = WaitUntil(kAnswerWaitMs, [&] { return dialog.Enabled(IDC_CANCEL_BUTTON) && !IsWindow(box); });
    Expect(back, "Cancel is not enabled again after No");
    LRESULT before = Send(dialog.Control(IDC_PROGRESS_BAR), PBM_GETPOS);
    bool moved = WaitUntil(kRunGoesOnMs, [&] { return Send(dialog.Control(IDC_PROGRESS_BAR), PBM_GETPOS) > before; });
    Expect(moved && !Closing(session, dialog), "the download does not go on after No");

    box = AskToCancel(session, dialog);
    Expect(box != nullptr, "no cancel question after the second Cancel");
    if (box == nullptr) return;
    Click(GetDlgItem(box, IDYES));
    Note("second question answered Yes");
    bool ended = WaitUntil(kRunWaitMs, [&] { return Closing(session, dialog); });
    Expect(ended, "the cancelled run did not end in time");
    Expect(
        dialog.Shown(IDC_END_MESSAGE) && Text(dialog.Control(IDC_END_MESSAGE)) == session.Catalogue(kInterruptedText),
        "the interruption text");
    session.Picture(dialog.window, "cancelled");
    CloseDialog(dialog);
}

void Blocked(Session& session, const Dialog& dialog) {
    const std::wstring& refusal = session.Catalogue(kRefusalText);
    std::wstring wayOut = refusal.substr(refusal.rfind(L"\\n") + 2);
    Expect(dialog.Shown(IDC_FAILURE_LINK) && dialog.TextOf(IDC_FAILURE_LINK).find(wayOut) != std::wstring::npos,
           "the refusal with the way out");
    Expect(dialog.TextOf(IDC_FAILURE_LINK).find(L"<A ID=\"idHELP\">") != std::wstring::npos, "the help link");
    Expect(!dialog.Shown(IDC_INSTALL_BUTTON) && !dialog.Shown(IDC_ACCEPT_CHECK_BOX), "no Install, no check box");
    session.Picture(dialog.window, "blocked");
    PressEscape(dialog.window);
    Note("Escape pressed");
    Expect(WaitUntil(kAnswerWaitMs, [&] { return !IsWindow(dialog.window); }), "Escape did not end the dialog");
}

void SecondCopy(Session& session, const Dialog& dialog, const wchar_t* executable) {
    session.Picture(dialog.window, "first-copy");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION second{};
    std::wstring commandLine = L"\"" + std::wstring(executable) + L"\"";
    if (!CreateProcessW(executable, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &second)) {
        Expect(false, "the second copy could not be started");
        return;
    }
    HWND box = nullptr;
    WaitUntil(kDialogWaitMs, [&] { return (box = FindMessageBox(second.dwProcessId)) != nullptr; });
    Expect(box != nullptr, "the second copy showed no message");
    if (box != nullptr) {
        Expect(MessageBoxText(box) == session.Catalogue(kAnotherCopyText), "the second copy's message");
        session.Picture(box, "second-copy");
        Click(GetDlgItem(box, IDOK));
        Note("second copy's message answered OK");
    }
    Expect(WaitForSingleObject(second.hProcess, kAnswerWaitMs) == WAIT_OBJECT_0, "the second copy did not end");
    DWORD exitCode = 0;
    GetExitCodeProcess(second.hProcess, &exitCode);
    Note("second copy's exit code " + std::to_string(exitCode));
    Expect(exitCode == 1, "the second copy's exit code is not 1");
    CloseHandle(second.hThread);
    CloseHandle(second.hProcess);

    HWND front = GetForegroundWindow();
    Expect(front == dialog.window || front == GetLastActivePopup(dialog.window), "the first copy is not in front");
    session.Picture(dialog.window, "first-copy-in-front");
    Click(dialog.Control(IDC_CANCEL_BUTTON));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: program_driver <scenario> <texts file> <pictures folder> [second copy]\n");
        return 2;
    }
    const std::wstring scenario = argv[1];
    Session session(ReadTexts(argv[2]), argv[3]);
    Dialog dialog{session.WaitForDialog()};
    if (dialog.window == nullptr) {
        std::fprintf(stderr, "FAIL: no window of class KORVOSkelvClass\n");
        return 1;
    }
    Note("dialog found");
    if (scenario == L"install") {
        Install(session, dialog);
    } else if (scenario == L"fail") {
        Fail(session, dialog);
    } else if (scenario == L"cancel") {
        Cancel(session, dialog);
    } else if (scenario == L"blocked") {
        Blocked(session, dialog);
    } else if (scenario == L"second" && argc == 5) {
        SecondCopy(session, dialog, argv[4]);
    } else {
        std::fprintf(stderr, "no such scenario\n");
        return 2;
    }
    session.Unhook();
    return failures == 0 ? 0 : 1;
}
