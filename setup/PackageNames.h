#pragma once

// The package files the install worker downloads into the package folder.
namespace package_name {
inline constexpr wchar_t kPrereqs32[] = L"InstallHVSoftwarePrerequisites_x86.msi";
inline constexpr wchar_t kPrereqs64[] = L"InstallHVSoftwarePrerequisites_x86_x64.msi";
inline constexpr wchar_t kMsxml32[] = L"msxml6_x86.msi";
inline constexpr wchar_t kMsxml64[] = L"msxml6_x64.msi";
inline constexpr wchar_t kMsxmlUpdate32[] = L"Windows6.0-KB941179-x86.msu";
inline constexpr wchar_t kMsxmlUpdate64[] = L"Windows6.0-KB941179-x64.msu";
inline constexpr wchar_t kProduct[] = L"KORVOSkelv.msi";
}  // namespace package_name
