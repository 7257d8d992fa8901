#pragma once
#include <optional>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Windows Installer identifies each package family by its upgrade code.
namespace upgrade_codes {
inline constexpr wchar_t kProduct[] = L"{5E1A7C42-90B3-4F6E-A2D8-3C71B94E0F15}";    // "KORVOSkelv.msi"
inline constexpr wchar_t kRuntime32[] = L"{A41C6E07-5B93-4D2A-8E6F-19C0B7D35A48}";  // prerequisites, 32-bit Windows
inline constexpr wchar_t kRuntime64[] = L"{E8B52D19-C7A0-4F36-B1D4-6A9E03C2F571}";  // prerequisites, 64-bit Windows
}  // namespace upgrade_codes

// Room for a product's "VersionString", in characters with the terminator.
inline constexpr std::size_t kVersionTextCapacity = 256;

// A version major.minor.build; the fields compare in that order, as signed numbers.
struct VersionTriple {
    std::int32_t major = 0;
    std::int32_t minor = 0;
    std::int32_t build = 0;
};

// Scans `text` with "%d.%d.%d" by the C library's swscanf rules: blanks before a number are
// skipped, scanning stops at the first text that does not fit, and trailing text is ignored.
// Returns how many fields were read (0 to 3); the fields not read stay 0.
int ScanVersionTriple(const std::wstring& text, VersionTriple& version);
VersionTriple ScanVersionTriple(const std::wstring& text);

bool operator<(const VersionTriple& left, const VersionTriple& right);
inline bool operator>=(const VersionTriple& left, const VersionTriple& right) {
    return !(left < right);
}

// True when both texts give the same version triple, each with all three fields read ("3.1.0" and
// "3.01.0" are the same version, as Windows Installer writes them; "3.1" is no version here).
bool SameVersion(const std::wstring& left, const std::wstring& right);

// The ProductVersion the installer package at `packagePath` carries in its own Property table;
// nullopt when it cannot be read.
std::optional<std::wstring> ReadPackageProductVersion(const std::wstring& packagePath);

// The related-product lookup: the product registered under an upgrade code. Index 0 is asked,
// then index 1 into the same buffer, so with two related products the second one is taken.
struct RelatedProduct {
    bool found = false;
    std::wstring productCode;
};
RelatedProduct FindRelatedProduct(const std::wstring& upgradeCode);

// What Windows Installer knows of one package family.
struct InstalledPackageFacts {
    bool registered = false;   // the related-product lookup found a product
    bool versionRead = false;  // and its "VersionString" could be read
    std::wstring versionText = L"0.0.0";
};
InstalledPackageFacts ReadInstalledPackage(const std::wstring& upgradeCode);

// A check's outcome and the log lines it writes after its "IN->" line, its "OUT" line included.
struct CheckVerdict {
    bool result = false;
    std::vector<std::wstring> logLines;
};
// Registered counts, whatever became of the version read.
CheckVerdict DecideIsInstalled(const InstalledPackageFacts& product);
// Needs the version read and at least the required runtime version.
CheckVerdict DecideIsPrereqVC8(const InstalledPackageFacts& runtime);

// Is the product registered with Windows Installer? Asked after its package has been installed.
bool IsInstalled();

// Is the runtime prerequisites package installed in a recent enough version? True: nothing to install.
bool IsPrereqVC8();
