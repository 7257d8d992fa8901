// Versions as Windows Installer reports them, and the two checks that ask it which version of a
// package family is installed, on staged machines.
#include <gtest/gtest.h>

#include <cwchar>

#include <optional>
#include <tuple>

#include "checks/InstalledProducts.h"
#include "tests/support/FakeMachineLog.h"

namespace {

TEST(VersionTripleTest, ScansLikeSwscanfWithThreeNumbers) {
    // clang-format off
    const std::tuple<const wchar_t*, int, int, int, int> cases[] = {  // text, fields read, the triple
        {L"1.2.3", 3, 1, 2, 3},   {L"8.1", 2, 8, 1, 0},        {L"2", 1, 2, 0, 0},        {L" \t1.2.3", 3, 1, 2, 3},
        {L"1. 2. 3", 3, 1, 2, 3}, {L"1.2.3.4 beta", 3, 1, 2, 3}, {L"1.2x.3", 2, 1, 2, 0},  {L"1 .2.3", 1, 1, 0, 0},
        {L"1..3", 1, 1, 0, 0},    {L"-1.2.-3", 3, -1, 2, -3},  {L"+4.05.6", 3, 4, 5, 6},  {L"v1.2.3", 0, 0, 0, 0},
        {L"", 0, 0, 0, 0},        {L"   ", 0, 0, 0, 0},
    };
    // clang-format on
    for (const auto& [text, fields, major, minor, build] : cases) {
        VersionTriple version;
        int read = ScanVersionTriple(text, version);
        EXPECT_EQ(std::make_tuple(read, version.major, version.minor, version.build),
                  std::make_tuple(fields, major, minor, build))
            << "text \"" << text << "\"";
    }
}

TEST(VersionTripleTest, ComparesMajorThenMinorThenBuildAsSignedNumbers) {
    // clang-format off
    const std::tuple<const wchar_t*, const wchar_t*, int> cases[] = {  // left, right, their order
        {L"8.1.2", L"8.1.3", -1}, {L"8.1.3", L"8.1.3", 0},   {L"8.1", L"8.1.3", -1},    {L"8.2.0", L"8.1.3", 1},
        {L"9.0.0", L"8.1.3", 1},  {L"1.9.0", L"1.10.0", -1}, {L"1.99.99", L"2.0.0", -1}, {L"-1.5.5", L"0.0.0", -1},
    };
    // clang-format on
    for (const auto& [leftText, rightText, order] : cases) {
        VersionTriple left = ScanVersionTriple(leftText), right = ScanVersionTriple(rightText);
        EXPECT_EQ(left < right, order < 0) << leftText << " < " << rightText;
        EXPECT_EQ(right<left, order> 0) << rightText << " < " << leftText;
        EXPECT_EQ(left >= right, order >= 0) << leftText << " >= " << rightText;
    }
}

// A related product: its product code and its "VersionString" (nullopt: unreadable).
using Products = std::vector<std::pair<const wchar_t*, std::optional<std::wstring>>>;
const wchar_t* const kA = L"{11111111-1111-1111-1111-111111111111}";
const wchar_t* const kB = L"{22222222-2222-2222-2222-222222222222}";

void Register(platform::fakes::FakeWindowsInstaller& installer, const std::wstring& upgradeCode,
              const Products& products) {
    for (const auto& [code, version] : products) {
        installer.related[upgradeCode].push_back(code);
        if (version) installer.versions[code] = *version;
    }
}

TEST(VersionTripleTest, SameVersionNeedsThreeEqualFields) {
    const struct {
        const wchar_t* left;
        const wchar_t* right;
        bool same;
    } cases[] = {
        {L"3.1.0", L"3.1.0", true},
        {L"3.01.0", L"3.1.0", true},   // how Windows Installer writes a package's "3.01.0"
        {L"3.1.0.7", L"3.1.0", true},  // a fourth field does not count
        {L"3.1.0", L"3.1.1", false},
        {L"3.0.0", L"3.1.0", false},
        {L"3.1", L"3.1", false},  // not a version triple
        {L"", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.left, c.left + std::wcslen(c.left)));
        EXPECT_EQ(SameVersion(c.left, c.right), c.same);
    }
}

// The package's own ProductVersion, as Windows Installer reads it from the file.
TEST(PackageVersionTest, ReadsTheProductVersionPropertyOfThePackage) {
    platform::fakes::ScopedFakeMachine machine;
    machine.installer.packageProperties[{L"C:\\p.msi", L"ProductVersion"}] = L"3.1.0";
    EXPECT_EQ(ReadPackageProductVersion(L"C:\\p.msi"), std::optional<std::wstring>(L"3.1.0"));
    EXPECT_EQ(ReadPackageProductVersion(L"C:\\other.msi"), std::nullopt);
}

TEST(IsInstalledTest, FindsTheProductByItsUpgradeCodeWhateverItsVersionRead) {
    const std::wstring notFound = L"KORVO Skelv installer failed. Consult KORVOSkelv.msi.log file\n";
    struct Case {
        const char* name;
        Products product, runtime;  // under the product's and the runtime package's upgrade codes
        std::wstring line;          // between the IN and OUT lines
    };
    // clang-format off
    const Case cases[] = {
        {"none", {}, {}, notFound},
        {"only another family", {}, {{kA, L"1.0.0"}}, notFound},
        {"one", {{kA, L"3.1.7"}}, {}, L"Installed Version: 3.1.7"},
        {"version unreadable", {{kA, std::nullopt}}, {}, L"Installed Version: 0.0.0"},
        {"version longer than its room", {{kA, std::wstring(256, L'9')}}, {}, L"Installed Version: 0.0.0"},
        {"two: the second decides", {{kA, L"3.1.7"}, {kB, L"3.2.0"}}, {}, L"Installed Version: 3.2.0"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::fakes::ScopedFakeMachine machine;
        Register(machine.installer, upgrade_codes::kProduct, c.product);
        Register(machine.installer, upgrade_codes::kRuntime32, c.runtime);
        EXPECT_EQ(IsInstalled(), c.line != notFound);
        EXPECT_EQ(LogEntries(machine),
                  (std::vector<std::wstring>{L"IN->IsInstalled ()", c.line, L"OUT ->IsInstalled ()"}));
    }
}

TEST(IsPrereqVC8Test, NeedsTheRuntimePackageBelow813OnTheSystemsOwnFamily) {
    const std::wstring notNeeded = L"OUT->IsPrereqVC8 VC8 Prerequistes don't need to be installed ";
    const std::wstring needed = L"OUT->IsPrereqVC8  VC8 Prerequistes need to be installed";
    const std::wstring absent = L"VC8 prerequisites are not installed";
    struct Case {
        const char* name;
        bool wow64;
        Products family32, family64;
        std::wstring line;  // after the IN line
        bool nothingToInstall;
    };
    // clang-format off
    const Case cases[] = {
        {"none", false, {}, {}, absent, false},
        {"8.1.3", false, {{kA, L"8.1.3"}}, {}, L"Installed Version: 8.1.3", true},
        {"8.1.2", false, {{kA, L"8.1.2"}}, {}, L"Installed Version: 8.1.2", false},
        {"8.2.0", false, {{kA, L"8.2.0"}}, {}, L"Installed Version: 8.2.0", true},
        {"9.0.0", false, {{kA, L"9.0.0"}}, {}, L"Installed Version: 9.0.0", true},
        {"8.1 reads 8.1.0", false, {{kA, L"8.1"}}, {}, L"Installed Version: 8.1", false},
        {"malformed", false, {{kA, L"latest"}}, {}, L"Installed Version: latest", false},
        {"version unreadable", false, {{kA, std::nullopt}}, {}, absent, false},
        {"two: the second older", false, {{kA, L"8.1.3"}, {kB, L"8.1.2"}}, {}, L"Installed Version: 8.1.2", false},
        {"two: the second new enough", false, {{kA, L"8.1.2"}, {kB, L"8.1.3"}}, {}, L"Installed Version: 8.1.3", true},
        {"64-bit: a 32-bit package does not count", true, {{kA, L"9.0.0"}}, {}, absent, false},
        {"64-bit: found", true, {}, {{kB, L"8.1.3"}}, L"Installed Version: 8.1.3", true},
        {"32-bit: a 64-bit package does not count", false, {}, {{kB, L"9.0.0"}}, absent, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::fakes::ScopedFakeMachine machine;
        machine.system.wow64 = c.wow64;
        Register(machine.installer, upgrade_codes::kRuntime32, c.family32);
        Register(machine.installer, upgrade_codes::kRuntime64, c.family64);
        EXPECT_EQ(IsPrereqVC8(), c.nothingToInstall);
        EXPECT_EQ(LogEntries(machine),
                  (std::vector<std::wstring>{L"IN->IsPrereqVC8 ()", c.line, c.nothingToInstall ? notNeeded : needed}));
    }
}

}  // namespace
