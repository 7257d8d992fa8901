#include "platform/win32/Win32DialogHost.h"

#include <commctrl.h>
#include <shellapi.h>

#include "platform/LinkMarkup.h"

namespace platform {

void Win32DialogHost::SetTitle(const std::wstring& text) {
    SetWindowTextW(dialog_, text.c_str());
}

void Win32DialogHost::SetControlText(int control, const std::wstring& text) {
    HWND window = Control(control);
    if (window == nullptr) return;
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    bool link = lstrcmpiW(className, L"SysLink") == 0;
    SetWindowTextW(window, link ? TidyLinkTags(text).c_str() : text.c_str());
}

void Win32DialogHost::ShowControl(int control, bool shown) {
    if (HWND window = Control(control)) ShowWindow(window, shown ? SW_SHOW : SW_HIDE);
}

void Win32DialogHost::EnableControl(int control, bool enabled) {
    if (HWND window = Control(control)) EnableWindow(window, enabled ? TRUE : FALSE);
}

void Win32DialogHost::SetChecked(int control, bool checked) {
    if (HWND window = Control(control)) SendMessageW(window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32DialogHost::IsChecked(int control) const {
    HWND window = Control(control);
    return window != nullptr && SendMessageW(window, BM_GETCHECK, 0, 0) != 0;
}

void Win32DialogHost::SetDefaultButton(int control) {
    SendMessageW(dialog_, DM_SETDEFID, control, 0);
}

void Win32DialogHost::Focus(int control) {
    if (HWND window = Control(control)) SetFocus(window);
}

void Win32DialogHost::SetProgressPosition(int control, std::int32_t position) {
    if (HWND window = Control(control)) SendMessageW(window, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32DialogHost::EndDialog(int result) {
    ::EndDialog(dialog_, result);
}

void Win32DialogHost::ComeToFront() {
    // Written to the user's profile and broadcast (flags 3), so it outlasts the setup.
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    SetForegroundWindow(dialog_);
}

void Win32DialogHost::OpenAddress(const std::wstring& address) {
    ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::uint32_t Win32DialogHost::RegisteredMessage(const std::wstring& name) {
    return RegisterWindowMessageW(name.c_str());
}

}  // namespace platform
