#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32SystemTexts final : public SystemTexts {
public:
    std::optional<std::wstring> TextFor(std::uint32_t status) const override {
        wchar_t* buffer = nullptr;
        // 0x1300: from the system, no inserts, the system allocates; language 0: its default.
        DWORD length =
            FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                           nullptr, status, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
        std::optional<std::wstring> text;
        if (length != 0 && buffer != nullptr) text = std::wstring(buffer, length);
        if (buffer != nullptr) LocalFree(buffer);
        return text;
    }
};

}  // namespace

SystemTexts& Win32SystemTextsInstance() {
    static Win32SystemTexts& instance = *new Win32SystemTexts;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
