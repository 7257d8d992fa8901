#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32WindowMessages final : public WindowMessages {
public:
    bool Post(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        return PostMessageW(reinterpret_cast<HWND>(window), message, static_cast<WPARAM>(wParam),
                            static_cast<LPARAM>(lParam)) != FALSE;
    }
};

}  // namespace

WindowMessages& Win32WindowMessagesInstance() {
    static Win32WindowMessages& instance = *new Win32WindowMessages;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
