#include "checks/VideoAdapter.h"

#include <algorithm>
#include <cstring>

#include "platform/Services.h"

using platform::RootKey;

const std::array<RootKeyName, 7> RootKeyTable = {{
    {L"HKEY_CLASSES_ROOT\\", RootKey::ClassesRoot},
    {L"HKEY_CURRENT_CONFIG\\", RootKey::CurrentConfig},
    {L"HKEY_CURRENT_USER\\", RootKey::CurrentUser},
    {L"HKEY_LOCAL_MACHINE\\", RootKey::LocalMachine},
    {L"HKEY_USERS\\", RootKey::Users},
    {L"HKEY_PERFORMANCE_DATA\\", RootKey::PerformanceData},
    {L"HKEY_DYN_DATA\\", RootKey::DynData},
}};

namespace {

constexpr std::uint32_t kAttachedToDesktop = 0x1;
constexpr std::uint32_t kPrimaryDevice = 0x4;
constexpr std::uint32_t kMirroringDriver = 0x8;

constexpr wchar_t kAdapterStringValue[] = L"HardwareInformation.AdapterString";
constexpr wchar_t kMemorySizeValue[] = L"HardwareInformation.MemorySize";
constexpr std::size_t kAdapterValueBufferBytes = 512;

constexpr char kUnknownName[] = "Unknown";
constexpr std::uint32_t kSmallestRecordedMemory = 2;
constexpr std::uint32_t kLargestRefusedMemory = 67108863;  // 64 MiB - 1

bool Contains(const char* name, std::uint32_t length, const char* pattern) {
    return MyStrStr(name, pattern, length, static_cast<std::uint32_t>(std::strlen(pattern))) == 1;
}

}  // namespace

std::optional<RegistryKeyPath> ResolveDeviceKey(const std::wstring& deviceKey) {
    static const std::wstring kMachinePrefix = L"\\REGISTRY\\MACHINE";
    std::wstring key = deviceKey;
    for (wchar_t& c : key)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (key.find(kMachinePrefix) != std::wstring::npos) key.replace(0, kMachinePrefix.size(), L"HKEY_LOCAL_MACHINE");
    for (const RootKeyName& root : RootKeyTable) {
        std::wstring text = root.text;
        if (key.find(text) != std::wstring::npos) return RegistryKeyPath{root.key, key.substr(text.size())};
    }
    return std::nullopt;
}

int MyStrStr(const char* data, const char* pattern, std::uint32_t dataLength, std::uint32_t patternLength) {
    if (data == nullptr || pattern == nullptr || dataLength == 0 || patternLength == 0) return 0;
    if (patternLength > dataLength) return 0;
    for (std::uint32_t at = 0; at <= dataLength - patternLength; ++at)
        if (std::memcmp(data + at, pattern, patternLength) == 0) return 1;
    return 0;
}

std::vector<RegistryKeyPath> QualifyingDriverKeys(const std::vector<platform::DisplayDevice>& devices) {
    std::vector<RegistryKeyPath> keys;
    for (const platform::DisplayDevice& device : devices) {
        bool primaryOnDesktop =
            (device.stateFlags & (kPrimaryDevice | kAttachedToDesktop)) == (kPrimaryDevice | kAttachedToDesktop);
        if (!primaryOnDesktop || (device.stateFlags & kMirroringDriver) != 0 || device.deviceKey.empty()) continue;
        if (std::optional<RegistryKeyPath> key = ResolveDeviceKey(device.deviceKey)) keys.push_back(*key);
    }
    return keys;
}

std::optional<std::string> AdapterNameFromValue(const platform::RegistryValue& value) {
    std::size_t units = value.data.size() / 2;
    if (units == 0) return std::nullopt;
    std::string name;
    for (std::size_t j = 0; j + 1 < units; ++j) name += static_cast<char>(value.data[2 * j]);
    return name;
}

std::optional<std::uint32_t> MemorySizeFromValue(const platform::RegistryValue& value) {
    if (value.data.size() < 4) return std::nullopt;
    std::uint32_t bytes = 0;
    for (int i = 3; i >= 0; --i) bytes = (bytes << 8) | value.data[static_cast<std::size_t>(i)];
    return bytes;
}

int JudgeAdapter(const char* name, std::uint32_t nameLength, std::uint32_t memory) {
    if (Contains(name, nameLength, kUnknownName)) return kAdapterAccepted;
    if (Contains(name, nameLength, "S3") || Contains(name, nameLength, "XGI")) return kAdapterRefused;
    // Nothing recorded, or a size too large to doubt.
    if (memory < kSmallestRecordedMemory || memory > kLargestRefusedMemory) return kAdapterAccepted;
    return kAdapterRefused;
}

std::string GetAdapterString() {
    std::string name = kUnknownName;
    for (const RegistryKeyPath& key : QualifyingDriverKeys(platform::Os().display->Devices())) {
        auto value =
            platform::Os().registry->ReadValue(key.root, key.subKey, kAdapterStringValue, kAdapterValueBufferBytes);
        if (!value) continue;
        if (std::optional<std::string> read = AdapterNameFromValue(*value)) name = *read;
    }
    return name;
}

std::uint32_t GetAdapterMemorySize() {
    std::uint32_t memory = 0;
    for (const RegistryKeyPath& key : QualifyingDriverKeys(platform::Os().display->Devices())) {
        auto value =
            platform::Os().registry->ReadValue(key.root, key.subKey, kMemorySizeValue, kAdapterValueBufferBytes);
        if (!value) continue;
        if (std::optional<std::uint32_t> read = MemorySizeFromValue(*value)) memory = *read;
    }
    return memory;
}

int QueryVideoAdapter(char* name, std::uint32_t& length, std::uint32_t& memory) {
    if (name == nullptr) return kAdapterRefused;
    std::string adapter = GetAdapterString();
    memory = GetAdapterMemorySize();
    std::uint32_t capacity = length;
    std::uint32_t copied = 0;
    if (capacity > 0) {
        copied = std::min(static_cast<std::uint32_t>(adapter.size()), capacity - 1);
        std::memcpy(name, adapter.data(), copied);
        name[copied] = '\0';
    }
    length = copied;
    return JudgeAdapter(adapter.data(), static_cast<std::uint32_t>(adapter.size()), memory);
}
