#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Registry.h"

// The installed product's registry key, where the product records where it lives and how it is
// started. Read only.
namespace product_key {
inline constexpr wchar_t kSubKey[] = L"SOFTWARE\\Halvorsk\\KORVOSkelv";  // under HKEY_LOCAL_MACHINE
inline constexpr wchar_t kInstallPath[] = L"InstallPath";
inline constexpr wchar_t kCmdLine[] = L"CmdLine";
// Every text value is read into a buffer of this size.
inline constexpr std::size_t kTextValueBufferBytes = 1024;
}  // namespace product_key

// 0 when the product key can be opened, otherwise the system error code.
std::uint32_t ProductKeyOpenError();

// The text value `name` of the product key; nullopt when the key or the value is missing, larger
// than the buffer, unterminated or empty.
std::optional<std::wstring> ReadProductKeyText(const std::wstring& name);

// The log line for a key that cannot be opened, as the texture expansion writes it:
// "Cannnot open registry key HKLM\<key> - rc = <code>".
std::wstring ProductKeyNotOpenedLine(std::uint32_t error);

// The log line for a missing value: "Cannnot query key value HKLM\<key>\<name>." (the spelling is
// the log's own: readers of the log search for it).
std::wstring ProductKeyValueMissingLine(const std::wstring& name);
