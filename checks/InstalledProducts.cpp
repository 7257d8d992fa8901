#include "checks/InstalledProducts.h"

#include <cwchar>
#include <tuple>

#include "checks/OsCheck.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "platform/Services.h"

namespace {

constexpr wchar_t kProductPackage[] = L"KORVOSkelv.msi";
// The oldest runtime prerequisites package that will do, as Windows Installer would write it.
constexpr wchar_t kRequiredRuntimeVersion[] = L"8.1.3";

}  // namespace

int ScanVersionTriple(const std::wstring& text, VersionTriple& version) {
    int read = std::swscanf(text.c_str(), L"%d.%d.%d", &version.major, &version.minor, &version.build);
    return read < 0 ? 0 : read;  // EOF: nothing but blanks
}

VersionTriple ScanVersionTriple(const std::wstring& text) {
    VersionTriple version;
    ScanVersionTriple(text, version);
    return version;
}

bool operator<(const VersionTriple& left, const VersionTriple& right) {
    return std::tie(left.major, left.minor, left.build) < std::tie(right.major, right.minor, right.build);
}

bool SameVersion(const std::wstring& left, const std::wstring& right) {
    VersionTriple a, b;
    if (ScanVersionTriple(left, a) != 3 || ScanVersionTriple(right, b) != 3) return false;
    return !(a < b) && !(b < a);
}

std::optional<std::wstring> ReadPackageProductVersion(const std::wstring& packagePath) {
    std::wstring version;
    if (platform::Os().installer->PackageProperty(packagePath, L"ProductVersion", kVersionTextCapacity, version) != 0)
        return std::nullopt;
    return version;
}

RelatedProduct FindRelatedProduct(const std::wstring& upgradeCode) {
    const platform::WindowsInstaller& installer = *platform::Os().installer;
    RelatedProduct product;
    product.found = installer.EnumRelatedProducts(upgradeCode, 0, product.productCode) == 0;
    // A second related product, when there is one, overwrites the first; its result tells nothing.
    if (product.found) installer.EnumRelatedProducts(upgradeCode, 1, product.productCode);
    return product;
}

InstalledPackageFacts ReadInstalledPackage(const std::wstring& upgradeCode) {
    InstalledPackageFacts facts;
    RelatedProduct product = FindRelatedProduct(upgradeCode);
    facts.registered = product.found;
    if (product.found) {
        facts.versionRead = platform::Os().installer->ProductVersionString(product.productCode, kVersionTextCapacity,
                                                                           facts.versionText) == 0;
    }
    return facts;
}

CheckVerdict DecideIsInstalled(const InstalledPackageFacts& product) {
    CheckVerdict verdict;
    verdict.result = product.registered;
    if (product.registered) {
        verdict.logLines.push_back(FormatWidePrintf(L"Installed Version: %s", {product.versionText}));
    } else {
        verdict.logLines.push_back(FormatWidePrintf(L"%s failed. Consult %s.log file\n",
                                                    {std::wstring(product::kName) + L" installer", kProductPackage}));
    }
    verdict.logLines.push_back(L"OUT ->IsInstalled ()");
    return verdict;
}

CheckVerdict DecideIsPrereqVC8(const InstalledPackageFacts& runtime) {
    CheckVerdict verdict;
    bool installed = runtime.registered && runtime.versionRead;
    if (installed) {
        verdict.logLines.push_back(FormatWidePrintf(L"Installed Version: %s", {runtime.versionText}));
        if (ScanVersionTriple(runtime.versionText) >= ScanVersionTriple(kRequiredRuntimeVersion)) {
            verdict.result = true;
            verdict.logLines.push_back(L"OUT->IsPrereqVC8 VC8 Prerequistes don't need to be installed ");
            return verdict;
        }
    } else {
        verdict.logLines.push_back(L"VC8 prerequisites are not installed");
    }
    verdict.logLines.push_back(L"OUT->IsPrereqVC8  VC8 Prerequistes need to be installed");
    return verdict;
}

namespace {

bool Report(const CheckVerdict& verdict) {
    for (const std::wstring& line : verdict.logLines) SetupLog::Write(line);
    return verdict.result;
}

}  // namespace

bool IsInstalled() {
    SetupLog::Write(L"IN->IsInstalled ()");
    return Report(DecideIsInstalled(ReadInstalledPackage(upgrade_codes::kProduct)));
}

bool IsPrereqVC8() {
    SetupLog::Write(L"IN->IsPrereqVC8 ()");
    const wchar_t* family = IsWow64() ? upgrade_codes::kRuntime64 : upgrade_codes::kRuntime32;
    return Report(DecideIsPrereqVC8(ReadInstalledPackage(family)));
}
