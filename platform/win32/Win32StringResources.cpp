#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

// The string tables are linked into the executable; the loader picks the user's language.
class Win32StringResources final : public StringResources {
public:
    std::optional<std::wstring> Load(unsigned id) const override {
        const wchar_t* text = nullptr;
        // With a zero buffer size LoadStringW hands back a pointer into the resource itself.
        int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
        if (length <= 0 || text == nullptr) return std::nullopt;
        return std::wstring(text, static_cast<std::size_t>(length));
    }
};

}  // namespace

StringResources& Win32StringResourcesInstance() {
    static Win32StringResources& instance = *new Win32StringResources;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
