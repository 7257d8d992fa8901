// Drives the setup program's dialog from outside, as a user would: finds it by its window class,
// reads its controls by ID, ticks the check box, takes a picture of it and presses Cancel. A notice
// before the dialog is answered with OK.
//   dialog_driver <ready|blocked|cancel|foreign|late-end> <picture path without extension>
// Exits 0 when every check holds; otherwise prints what differed and exits 1.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "resources/DialogIds.h"
#include "tests/support/win32/WindowDriving.h"

namespace {

using window_test::Send;
using window_test::Text;

constexpr DWORD kReplyTimeoutMs = 5000;
constexpr int kWindowWaitSteps = 600;  // of 100 ms: the program's start-up checks come first
constexpr DWORD kRepaintPauseMs = 500;

int failures = 0;

void Expect(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "FAIL: %s\n", what);
        ++failures;
    }
}

struct Dialog {
    HWND window;
    HWND Control(int id) const { return GetDlgItem(window, id); }
    bool Shown(int id) const { return IsWindowVisible(Control(id)) != FALSE; }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    bool Checked(int id) const { return Send(Control(id), BM_GETCHECK) == BST_CHECKED; }
    int DefaultButton() const {
        LRESULT answer = Send(window, DM_GETDEFID);
        return HIWORD(answer) == DC_HASDEFID ? LOWORD(answer) : 0;
    }
    void Click(int id) const { window_test::Click(Control(id)); }
};

// A notice the program shows before its dialog (the test server's warning) is answered with OK.
void AnswerNotice() {
    HWND box = FindWindowW(L"#32770", nullptr);
    if (box == nullptr || !IsWindowVisible(box)) return;
    HWND ok = GetDlgItem(box, IDOK);
    if (ok == nullptr) return;
    if (HWND text = GetDlgItem(box, 0xFFFF)) std::fwprintf(stderr, L"notice answered: %ls\n", Text(text).c_str());
    Send(ok, BM_CLICK);
}

HWND WaitForDialog() {
    for (int step = 0; step < kWindowWaitSteps; ++step) {
        HWND window = FindWindowW(L"KORVOSkelvClass", nullptr);
        if (window != nullptr && IsWindowVisible(window)) return window;
        AnswerNotice();
        Sleep(100);
    }
    return nullptr;
}

// The dialog's window as it is on the screen, as a 24-bit BMP file.
void TakePicture(HWND window, const std::string& path) {
    window_test::TakePicture(window, std::wstring(path.begin(), path.end()) + L".bmp", kRepaintPauseMs);
}

void CheckReady(const Dialog& dialog, const std::string& picture) {
    Expect(Text(dialog.window) == L"KORVO Skelv Setup", "caption");
    Expect(dialog.Shown(IDC_ACCEPT_CHECK_BOX) && !dialog.Checked(IDC_ACCEPT_CHECK_BOX), "check box shown, unticked");
    Expect(Text(dialog.Control(IDC_ACCEPT_CHECK_BOX)) == L"I accept the terms of the KORVO Skelv  License Agreement",
           "check box text");
    Expect(dialog.Shown(IDC_EULA_LINK), "licence link shown");
    Expect(dialog.Shown(IDC_STATUS_TEXT), "instruction shown");
    Expect(!dialog.Shown(IDC_FAILURE_LINK) && !dialog.Shown(IDC_PROGRESS_BAR) && !dialog.Shown(IDC_END_MESSAGE),
           "failure link, progress bar and end message hidden");
    Expect(dialog.Shown(IDC_INSTALL_BUTTON) && !dialog.Enabled(IDC_INSTALL_BUTTON), "Install shown, disabled");
    Expect(Text(dialog.Control(IDC_INSTALL_BUTTON)) == L"Install", "Install button text");
    TakePicture(dialog.window, picture);

    dialog.Click(IDC_ACCEPT_CHECK_BOX);
    Expect(dialog.Checked(IDC_ACCEPT_CHECK_BOX), "ticked by a click");
    Expect(dialog.Enabled(IDC_INSTALL_BUTTON), "Install enabled once accepted");
    Expect(dialog.DefaultButton() == IDC_INSTALL_BUTTON, "Install is the default button once accepted");
    TakePicture(dialog.window, picture + "-accepted");

    dialog.Click(IDC_ACCEPT_CHECK_BOX);
    Expect(!dialog.Enabled(IDC_INSTALL_BUTTON), "Install disabled again");
    Expect(dialog.DefaultButton() == IDC_CANCEL_BUTTON, "Cancel is the default button again");

    // The texture tool's messages, registered by name, reach the dialog's behaviour; its expansion
    // notice counts only while a run goes on, so the licence step stays.
    Send(dialog.window, RegisterWindowMessageW(L"CUSTOM_UPDATE_PROGRESS"), 3, 7);
    Expect(Send(dialog.Control(IDC_PROGRESS_BAR), PBM_GETPOS) == 42, "progress 3 of 7 shows 42");
    const std::wstring instruction = Text(dialog.Control(IDC_STATUS_TEXT));
    Send(dialog.window, RegisterWindowMessageW(L"CUSTOM_UPDATE_LOWEXPAND"));
    Expect(Text(dialog.Control(IDC_STATUS_TEXT)) == instruction, "a stray expansion notice keeps the licence step");
}

void CheckBlocked(const Dialog& dialog, const std::string& picture) {
    Expect(dialog.Shown(IDC_FAILURE_LINK), "failure link shown");
    Expect(Text(dialog.Control(IDC_FAILURE_LINK)).find(L"Click 'Cancel' to exit the Setup.") != std::wstring::npos,
           "failure text ends with the way out");
    Expect(!dialog.Shown(IDC_ACCEPT_CHECK_BOX) && !dialog.Shown(IDC_EULA_LINK) && !dialog.Shown(IDC_STATUS_TEXT),
           "licence controls hidden");
    // The help link's tag reaches the link control with one blank after "<A" (the catalogue's text
    // has two, which Wine's link control shows as plain text).
    const std::wstring refusal = Text(dialog.Control(IDC_FAILURE_LINK));
    Expect(refusal.find(L"<A ID=\"idHELP\">") != std::wstring::npos && refusal.find(L"<A  ") == std::wstring::npos,
           "the help link's tag, tidied");
    Expect(!dialog.Shown(IDC_INSTALL_BUTTON), "no Install button");
    Expect(dialog.DefaultButton() == IDC_CANCEL_BUTTON, "Cancel is the default button");
    TakePicture(dialog.window, picture);
}

// Messages from other programs: a status message whose lParam is no note of the setup's (any program
// on the desktop can post the number), and Enter before the licence is accepted. The dialog must
// still answer afterwards, in the licence step.
void CheckForeignMessages(const Dialog& dialog) {
    constexpr UINT kInstallStatus = 1283;
    const std::wstring instruction = Text(dialog.Control(IDC_STATUS_TEXT));
    PostMessageW(dialog.window, kInstallStatus, 0, 0x10);
    PostMessageW(dialog.window, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(dialog.window, WM_KEYUP, VK_RETURN, 0);
    Sleep(kRepaintPauseMs);
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(dialog.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kReplyTimeoutMs, &answer)) {
        std::fprintf(stderr, "FAIL: the dialog is gone after the foreign messages\n");
        ExitProcess(1);
    }
    Expect(Text(dialog.Control(IDC_STATUS_TEXT)) == instruction, "instruction kept");
    Expect(dialog.Shown(IDC_ACCEPT_CHECK_BOX), "still in the licence step");
}

// A run that fails (no download server answers), then an end message that is not the worker's: the
// failure shown must stay, and Close must end the dialog as failed.
void CheckLateEndMessage(const Dialog& dialog) {
    constexpr UINT kInstallSucceeded = 1281;
    constexpr int kRunWaitSteps = 1200;  // of 100 ms
    dialog.Click(IDC_ACCEPT_CHECK_BOX);
    dialog.Click(IDC_INSTALL_BUTTON);
    for (int step = 0; step < kRunWaitSteps && !dialog.Shown(IDC_END_MESSAGE); ++step) Sleep(100);
    Expect(dialog.Shown(IDC_END_MESSAGE), "the run ended with a message");
    const std::wstring failure = Text(dialog.Control(IDC_END_MESSAGE));
    PostMessageW(dialog.window, kInstallSucceeded, 0, 0);
    Sleep(kRepaintPauseMs);
    Send(dialog.window, WM_NULL);
    Expect(dialog.Shown(IDC_END_MESSAGE) && Text(dialog.Control(IDC_END_MESSAGE)) == failure, "failure still shown");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dialog_driver <ready|blocked|cancel|foreign|late-end> <picture path>\n");
        return 2;
    }
    const std::string mode = argv[1], picture = argv[2];
    Dialog dialog{WaitForDialog()};
    if (dialog.window == nullptr) {
        std::fprintf(stderr, "FAIL: no window of class KORVOSkelvClass\n");
        return 1;
    }
    if (mode == "ready") CheckReady(dialog, picture);
    if (mode == "blocked") CheckBlocked(dialog, picture);
    if (mode == "foreign") CheckForeignMessages(dialog);
    if (mode == "late-end") CheckLateEndMessage(dialog);
    // The dialog ends now, so nothing is asked of it afterwards. The refusal is closed with the
    // window's close box, the others with Cancel.
    if (mode == "blocked") {
        PostMessageW(dialog.window, WM_CLOSE, 0, 0);
    } else {
        Send(dialog.Control(IDC_CANCEL_BUTTON), BM_CLICK);
    }
    return failures == 0 ? 0 : 1;
}
