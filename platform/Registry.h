#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The predefined registry keys a key path may start from.
enum class RootKey { ClassesRoot, CurrentConfig, CurrentUser, LocalMachine, Users, PerformanceData, DynData };

struct RegistryValue {
    std::uint32_t type = 0;          // REG_SZ 1, REG_BINARY 3, REG_DWORD 4 ...
    std::vector<std::uint8_t> data;  // the stored bytes, as many as the system reported
};

// A text value's characters: up to its first 0 character, or all of them when the stored text has
// no terminator (a half character at the end is dropped).
inline std::wstring RegistryText(const RegistryValue& value) {
    std::wstring text;
    for (std::size_t at = 0; at + 1 < value.data.size(); at += 2) {
        wchar_t c = static_cast<wchar_t>(value.data[at] | (value.data[at + 1] << 8));
        if (c == L'\0') break;
        text += c;
    }
    return text;
}

// Read-only registry access.
class Registry {
public:
    virtual ~Registry() = default;
    // Opens root\subKey for reading and reads one value into a buffer of `maxBytes`; nullopt when
    // the key cannot be opened or the value cannot be read (missing, or larger than the buffer).
    virtual std::optional<RegistryValue> ReadValue(RootKey root, const std::wstring& subKey, const std::wstring& name,
                                                   std::size_t maxBytes) const = 0;
    // 0 when root\subKey can be opened for reading, otherwise the system error code.
    virtual std::uint32_t KeyOpenError(RootKey root, const std::wstring& subKey) const = 0;
};

}  // namespace platform
