#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

HKEY PredefinedKey(RootKey root) {
    switch (root) {
        case RootKey::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RootKey::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
        case RootKey::CurrentUser:
            return HKEY_CURRENT_USER;
        case RootKey::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RootKey::Users:
            return HKEY_USERS;
        case RootKey::PerformanceData:
            return HKEY_PERFORMANCE_DATA;
        case RootKey::DynData:
            return HKEY_DYN_DATA;
    }
    return HKEY_LOCAL_MACHINE;
}

class Win32Registry final : public Registry {
public:
    std::optional<RegistryValue> ReadValue(RootKey root, const std::wstring& subKey, const std::wstring& name,
                                           std::size_t maxBytes) const override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(PredefinedKey(root), subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
        // One spare byte keeps the buffer's address valid for a 0-byte read, which would otherwise
        // only ask the value's size.
        std::vector<std::uint8_t> buffer(maxBytes + 1);
        DWORD size = static_cast<DWORD>(maxBytes);
        DWORD type = 0;
        LONG status = RegQueryValueExW(key, name.c_str(), nullptr, &type, buffer.data(), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS || size > maxBytes) return std::nullopt;
        buffer.resize(size);
        return RegistryValue{type, std::move(buffer)};
    }
    std::uint32_t KeyOpenError(RootKey root, const std::wstring& subKey) const override {
        HKEY key = nullptr;
        LONG status = RegOpenKeyExW(PredefinedKey(root), subKey.c_str(), 0, KEY_READ, &key);
        if (status == ERROR_SUCCESS) RegCloseKey(key);
        return static_cast<std::uint32_t>(status);
    }
};

}  // namespace

Registry& Win32RegistryInstance() {
    static Registry& instance = *new Win32Registry;
    return instance;
}

}  // namespace platform
