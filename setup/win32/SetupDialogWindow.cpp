// The setup dialog's window: the template, the icon and the banner are the view's own; every event
// that the dialog's behaviour decides is forwarded to SetupDialog, which acts through the window's
// DialogHost.
#include "setup/win32/SetupDialogWindow.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "core/SetupLog.h"
#include "platform/Services.h"
#include "platform/win32/Win32DialogHost.h"
#include "resources/DialogIds.h"
#include "setup/SetupApp.h"
#include "setup/SetupDialog.h"
#include "setup/win32/Banner.h"

namespace {

struct DialogWindow {
    explicit DialogWindow(InstallStarter& installStarter) : starter(installStarter) {}

    InstallStarter& starter;
    HICON icon = nullptr;
    std::unique_ptr<platform::Win32DialogHost> host;
    std::unique_ptr<SetupDialog> dialog;
};

void InitDialog(HWND window, DialogWindow& view) {
    view.icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_SETUP_ICON));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(view.icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(view.icon));

    // The hidden placeholder fixes where the banner goes.
    if (HWND placeholder = GetDlgItem(window, IDC_BANNER_PLACEHOLDER)) {
        RECT area;
        GetWindowRect(placeholder, &area);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
        LoadBanner(window, IDR_BANNER, area);
    }

    view.host = std::make_unique<platform::Win32DialogHost>(window);
    view.dialog = std::make_unique<SetupDialog>(*view.host, view.starter);
    view.dialog->OnInitDialog();
}

void Paint(HWND window, const DialogWindow& view) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (IsIconic(window)) {
        SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client;
        GetClientRect(window, &client);
        int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
        int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, view.icon);
    } else {
        DrawBanners(window, dc);
    }
    EndPaint(window, &paint);
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        InitDialog(window, *reinterpret_cast<DialogWindow*>(lParam));
        return TRUE;  // the system sets the initial focus
    }
    auto* view = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    if (view == nullptr || !view->dialog) return FALSE;
    SetupDialog& dialog = *view->dialog;
    switch (message) {
        case WM_COMMAND:
            // Clicks only: the check box also notifies its focus changes.
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            dialog.OnCommand(static_cast<short>(LOWORD(wParam)));
            return TRUE;
        case WM_CLOSE:
            dialog.OnCancel();
            return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            // Only the two link controls send an NMLINK with their clicks.
            if (header->code != NM_CLICK || (header->idFrom != IDC_EULA_LINK && header->idFrom != IDC_FAILURE_LINK))
                return FALSE;
            const auto* link = reinterpret_cast<const NMLINK*>(lParam);
            dialog.OnLinkClicked(static_cast<int>(header->idFrom), link->item.szID);
            return TRUE;
        }
        case WM_PAINT:
            Paint(window, *view);
            return TRUE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(view->icon);
        default:
            if (!dialog.OnMessage(message, wParam, lParam)) return FALSE;
            SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
            return TRUE;
    }
}

}  // namespace

int RunSetupDialog(InstallStarter& starter) {
    DialogWindow view(starter);
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETUP_DIALOG), nullptr, DialogProc,
                                     reinterpret_cast<LPARAM>(&view));
    if (result == -1) {
        // The user never saw a dialog to cancel: a missing control class, say, or no memory.
        DWORD error = GetLastError();
        std::wstring reason = L"error " + std::to_wstring(error);
        if (error != ERROR_SUCCESS) reason = platform::Os().systemTexts->TextFor(error).value_or(reason);
        // The system's texts end with a line break, which would leave an empty entry behind.
        while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r')) reason.pop_back();
        SetupLog::Write(L"The setup dialog could not be shown: " + reason);
        return kRunFailed;
    }
    if (result <= 0) return kRunCancelled;
    return static_cast<int>(result);
}
