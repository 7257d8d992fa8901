#include "setup/ProductKey.h"

#include "core/WidePrintf.h"
#include "platform/Services.h"

namespace {

constexpr std::size_t kWideCharBytes = 2;
// The registry's two text types (REG_SZ, REG_EXPAND_SZ); a number or binary value is no path.
constexpr std::uint32_t kTextType = 1;
constexpr std::uint32_t kExpandableTextType = 2;

// The text of `value` up to its terminator; nullopt unless it is a text value whose terminator is
// stored, with at least one character before it. (A value larger than the buffer never gets here:
// the registry read refuses it.)
std::optional<std::wstring> StoredText(const platform::RegistryValue& value) {
    if (value.type != kTextType && value.type != kExpandableTextType) return std::nullopt;
    std::wstring text = platform::RegistryText(value);
    bool terminatorStored = (text.size() + 1) * kWideCharBytes <= value.data.size();
    if (!terminatorStored || text.empty()) return std::nullopt;
    return text;
}

}  // namespace

std::uint32_t ProductKeyOpenError() {
    return platform::Os().registry->KeyOpenError(platform::RootKey::LocalMachine, product_key::kSubKey);
}

std::optional<std::wstring> ReadProductKeyText(const std::wstring& name) {
    std::optional<platform::RegistryValue> value = platform::Os().registry->ReadValue(
        platform::RootKey::LocalMachine, product_key::kSubKey, name, product_key::kTextValueBufferBytes);
    if (!value) return std::nullopt;
    return StoredText(*value);
}

std::wstring ProductKeyValueMissingLine(const std::wstring& name) {
    return FormatWidePrintf(L"Cannnot query key value HKLM\\%s\\%s.", {product_key::kSubKey, name});
}

std::wstring ProductKeyNotOpenedLine(std::uint32_t error) {
    return FormatWidePrintf(L"Cannnot open registry key HKLM\\%s - rc = %d",
                            {product_key::kSubKey, static_cast<int>(error)});
}
