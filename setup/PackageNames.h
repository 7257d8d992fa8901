#pragma once

// The packages the install worker may download into the package folder, named for 32-bit and for
// 64-bit Windows. The plan picks from this table and the clean-up deletes all of it, so a package
// added here is also cleaned up.
struct PackageFile {
    const wchar_t* win32;
    const wchar_t* wow64;
    const wchar_t* For(bool onWow64) const { return onWow64 ? wow64 : win32; }
};

namespace package_file {
inline constexpr wchar_t kProductName[] = L"KORVOSkelv.msi";  // the same on every Windows
inline constexpr PackageFile kPrereqs{L"InstallHVSoftwarePrerequisites_x86.msi",
                                      L"InstallHVSoftwarePrerequisites_x86_x64.msi"};
inline constexpr PackageFile kMsxml{L"msxml6_x86.msi", L"msxml6_x64.msi"};
inline constexpr PackageFile kMsxmlUpdate{L"Windows6.0-KB941179-x86.msu", L"Windows6.0-KB941179-x64.msu"};
inline constexpr PackageFile kProduct{kProductName, kProductName};
// In the clean-up's order.
inline constexpr PackageFile kAll[] = {kPrereqs, kMsxml, kProduct, kMsxmlUpdate};
}  // namespace package_file
