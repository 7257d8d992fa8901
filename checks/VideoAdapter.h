#pragma once
// Identifies the primary display adapter by what its driver records in the registry.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Display.h"
#include "platform/Registry.h"

// Verdicts of QueryVideoAdapter.
enum AdapterVerdict : int { kAdapterAccepted = 1, kAdapterRefused = 2 };

// The root names a display device key may begin with, searched in this order.
struct RootKeyName {
    const wchar_t* text;  // upper case, with its trailing backslash
    platform::RootKey key;
};
extern const std::array<RootKeyName, 7> RootKeyTable;

struct RegistryKeyPath {
    platform::RootKey root;
    std::wstring subKey;
};

// The predefined key and sub-key of a device key as the display devices report it
// ("\Registry\Machine\..."). nullopt when the key names none of the roots, which Windows never
// reports: such a device is skipped.
std::optional<RegistryKeyPath> ResolveDeviceKey(const std::wstring& deviceKey);

// 1 when the pattern's bytes occur in the data (case matters), else 0; 0 too for a null pointer or
// an empty data or pattern.
int MyStrStr(const char* data, const char* pattern, std::uint32_t dataLength, std::uint32_t patternLength);

// The driver keys of the devices that are primary, attached to the desktop and no mirroring
// driver, in enumeration order.
std::vector<RegistryKeyPath> QualifyingDriverKeys(const std::vector<platform::DisplayDevice>& devices);

// The name in a "HardwareInformation.AdapterString" value: the low byte of each UTF-16 unit, the
// last unit (the stored terminator) not counted. nullopt when the value holds no whole unit.
std::optional<std::string> AdapterNameFromValue(const platform::RegistryValue& value);
// The byte count in a "HardwareInformation.MemorySize" value (little-endian); nullopt when the
// value is shorter than four bytes.
std::optional<std::uint32_t> MemorySizeFromValue(const platform::RegistryValue& value);

// The refusal rules: a name with "Unknown" is accepted, one with "S3" or "XGI" refused, and
// otherwise a recorded size under 64 MiB.
int JudgeAdapter(const char* name, std::uint32_t nameLength, std::uint32_t memory);

// The primary adapter's name, "Unknown" when none can be read; the last qualifying device wins.
std::string GetAdapterString();
// The primary adapter's memory in bytes, 0 when none can be read; the last qualifying device wins.
std::uint32_t GetAdapterMemorySize();

// Copies the adapter's name into `name` (length in: capacity in bytes; out: bytes copied, without
// the terminator), returns its memory and the verdict.
int QueryVideoAdapter(char* name, std::uint32_t& length, std::uint32_t& memory);
