#include <windows.h>
#include <commctrl.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

UINT IconStyle(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return MB_ICONERROR;
        case MessageIcon::Warning:
            return MB_ICONWARNING;
        case MessageIcon::Question:
            return MB_ICONQUESTION;
        case MessageIcon::Information:
            return MB_ICONINFORMATION;
    }
    return 0;
}

class Win32Desktop final : public Desktop {
public:
    bool RegisterDialogClassCopy(const std::wstring& className) override {
        WNDCLASSW dialogClass{};
        if (!GetClassInfoW(nullptr, L"#32770", &dialogClass)) return false;
        // The copy must outlive the registration, so keep the name for the whole process.
        static std::wstring& registeredName = *new std::wstring;
        registeredName = className;
        dialogClass.lpszClassName = registeredName.c_str();
        return RegisterClassW(&dialogClass) != 0;
    }

    void InitCommonControls() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
        InitCommonControlsEx(&controls);
    }

    MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption, MessageIcon icon,
                              MessageButtons buttons) override {
        UINT style = IconStyle(icon) | (buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK);
        switch (MessageBoxW(nullptr, text.c_str(), caption.c_str(), style)) {
            case IDOK:
                return MessageAnswer::Ok;
            case IDYES:
                return MessageAnswer::Yes;
            case IDNO:
                return MessageAnswer::No;
            default:
                return MessageAnswer::Failed;
        }
    }

    bool BringWindowOfClassToFront(const std::wstring& className) override {
        HWND window = FindWindowW(className.c_str(), nullptr);
        if (window == nullptr) return false;
        HWND popup = GetLastActivePopup(window);
        if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(popup);
        return true;
    }
};

}  // namespace

Desktop& Win32DesktopInstance() {
    static Win32Desktop& instance = *new Win32Desktop;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
