#include "tests/support/win32/WindowDriving.h"

#include <cstdio>
#include <vector>

#include "tests/support/win32/ScreenPicture.h"

namespace window_test {

namespace {

constexpr DWORD kReplyTimeoutMs = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;

struct BoxSearch {
    DWORD processId;
    HWND except;
    HWND found;
};

BOOL CALLBACK ConsiderWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<BoxSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[16] = {};
    if (owner != search->processId || window == search->except || !IsWindowVisible(window) ||
        GetClassNameW(window, name, 16) == 0 || lstrcmpW(name, L"#32770") != 0) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

}  // namespace

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    // No SMTO_ABORTIFHUNG: a thread that has just put up a message box after seconds of work without
    // reading messages counts as hung until its box's loop first reads one, and the send would fail
    // at once. The time limit alone tells a window that does not answer.
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kReplyTimeoutMs, &result)) {
        std::fprintf(stderr, "FAIL: window %p did not answer message %u\n", static_cast<void*>(window), message);
        std::fflush(stderr);
        ExitProcess(1);
    }
    return static_cast<LRESULT>(result);
}

std::wstring Text(HWND window) {
    if (window == nullptr) return L"";
    std::vector<wchar_t> text(static_cast<size_t>(Send(window, WM_GETTEXTLENGTH)) + 1);
    Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    std::wstring out;
    for (const wchar_t* c = text.data(); *c != L'\0'; ++c) {
        if (*c == L'\n') {
            out += L"\\n";
        } else if (*c != L'\r') {
            out += *c;
        }
    }
    return out;
}

void Click(HWND button) {
    HWND parent = GetParent(button);
    Send(button, BM_CLICK);
    // The click's own messages have been handled; a message box is gone by now.
    DWORD_PTR ignored = 0;
    if (IsWindow(parent)) SendMessageTimeoutW(parent, WM_NULL, 0, 0, SMTO_NORMAL, kReplyTimeoutMs, &ignored);
}

void PressEscape(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus != nullptr) {
        target = info.hwndFocus;
    }
    const UINT scanCode = MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, static_cast<LPARAM>(1 | (scanCode << 16)));
    PostMessageW(target, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(1 | (scanCode << 16) | (3u << 30)));
}

HWND FindMessageBox(DWORD processId, HWND except) {
    BoxSearch search{processId, except, nullptr};
    EnumWindows(ConsiderWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring MessageBoxText(HWND box) {
    return Text(GetDlgItem(box, kMessageBoxTextId));
}

void Pause(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
}

void TakePicture(HWND window, const std::wstring& path, DWORD pauseMs) {
    Pause(pauseMs);
    RECT area;
    if (GetWindowRect(window, &area)) SaveScreenPicture(area, path);
}

}  // namespace window_test
