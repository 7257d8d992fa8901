// Versions as Windows Installer reports them, and the two checks that ask it which version of a
// package family is installed, on staged machines.
#include <gtest/gtest.h>

#include <optional>

#include "checks/InstalledProducts.h"
#include "tests/checks/CheckLog.h"

namespace {

using platform::fakes::ScopedFakeMachine;

TEST(VersionTripleTest, ScansLikeSwscanfWithThreeNumbers) {
    struct Case {
        const wchar_t* text;
        int fields;
        VersionTriple version;
    };
    const Case cases[] = {
        {L"1.2.3", 3, {1, 2, 3}},          {L"8.1", 2, {8, 1, 0}},       {L"2", 1, {2, 0, 0}},
        {L"  \t1.2.3", 3, {1, 2, 3}},      {L"1. 2. 3", 3, {1, 2, 3}},   {L"1.2.3.4", 3, {1, 2, 3}},
        {L"1.2.3 beta", 3, {1, 2, 3}},     {L"1.2x.3", 2, {1, 2, 0}},    {L"1 .2.3", 1, {1, 0, 0}},
        {L"1..3", 1, {1, 0, 0}},           {L"-1.2.-3", 3, {-1, 2, -3}}, {L"+4.5.6", 3, {4, 5, 6}},
        {L"v1.2.3", 0, {0, 0, 0}},         {L"", 0, {0, 0, 0}},          {L"   ", 0, {0, 0, 0}},
        {L"010.020.030", 3, {10, 20, 30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text \"" << c.text << "\"");
        VersionTriple version;
        EXPECT_EQ(ScanVersionTriple(c.text, version), c.fields);
        EXPECT_EQ(version.major, c.version.major);
        EXPECT_EQ(version.minor, c.version.minor);
        EXPECT_EQ(version.build, c.version.build);
    }
}

TEST(VersionTripleTest, ComparesMajorThenMinorThenBuildAsSignedNumbers) {
    struct Case {
        const wchar_t* left;
        const wchar_t* right;
        bool less;
    };
    const Case cases[] = {
        {L"8.1.2", L"8.1.3", true},   {L"8.1.3", L"8.1.3", false}, {L"8.1", L"8.1.3", true},
        {L"8.2.0", L"8.1.3", false},  {L"7.9.9", L"8.1.3", true},  {L"1.9.0", L"1.10.0", true},
        {L"1.99.99", L"2.0.0", true}, {L"-1.5.5", L"0.0.0", true}, {L"1.0.-1", L"1.0.0", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << " against " << c.right);
        VersionTriple left = ScanVersionTriple(c.left), right = ScanVersionTriple(c.right);
        EXPECT_EQ(left < right, c.less);
        EXPECT_EQ(left >= right, !c.less);
        if (c.less) {
            EXPECT_FALSE(right < left);
        }
    }
}

// A related product: its product code and its "VersionString", nullopt when unreadable.
struct Product {
    const wchar_t* code;
    std::optional<std::wstring> version;
};

void Register(platform::fakes::FakeWindowsInstaller& installer, const std::wstring& upgradeCode,
              const std::vector<Product>& products) {
    for (const Product& product : products) {
        installer.related[upgradeCode].push_back(product.code);
        if (product.version) installer.versions[product.code] = *product.version;
    }
}

const wchar_t* const kCodeA = L"{11111111-1111-1111-1111-111111111111}";
const wchar_t* const kCodeB = L"{22222222-2222-2222-2222-222222222222}";
const std::wstring kInstalledNotFound = L"KORVO Skelv installer failed. Consult KORVOSkelv.msi.log file\n";

TEST(IsInstalledTest, FindsTheProductByItsUpgradeCodeWhateverItsVersionRead) {
    struct Case {
        const char* name;
        std::vector<Product> products;     // under the product's upgrade code
        std::vector<Product> otherFamily;  // under the runtime package's
        bool installed;
        std::vector<std::wstring> log;
    };
    const Case cases[] = {
        {"none", {}, {}, false, {L"IN->IsInstalled ()", kInstalledNotFound, L"OUT ->IsInstalled ()"}},
        {"only another family",
         {},
         {{kCodeA, L"1.0.0"}},
         false,
         {L"IN->IsInstalled ()", kInstalledNotFound, L"OUT ->IsInstalled ()"}},
        {"one",
         {{kCodeA, L"3.1.7"}},
         {},
         true,
         {L"IN->IsInstalled ()", L"Installed Version: 3.1.7", L"OUT ->IsInstalled ()"}},
        {"version unreadable",
         {{kCodeA, std::nullopt}},
         {},
         true,
         {L"IN->IsInstalled ()", L"Installed Version: 0.0.0", L"OUT ->IsInstalled ()"}},
        {"version too long for its room",
         {{kCodeA, std::wstring(256, L'9')}},
         {},
         true,
         {L"IN->IsInstalled ()", L"Installed Version: 0.0.0", L"OUT ->IsInstalled ()"}},
        {"two: the second decides",
         {{kCodeA, L"3.1.7"}, {kCodeB, L"3.2.0"}},
         {},
         true,
         {L"IN->IsInstalled ()", L"Installed Version: 3.2.0", L"OUT ->IsInstalled ()"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedFakeMachine machine;
        Register(machine.installer, upgrade_codes::kProduct, c.products);
        Register(machine.installer, upgrade_codes::kRuntime32, c.otherFamily);
        EXPECT_EQ(IsInstalled(), c.installed);
        EXPECT_EQ(LogEntries(machine), c.log);
    }
}

TEST(IsPrereqVC8Test, NeedsTheRuntimePackageBelow813OnTheSystemsOwnFamily) {
    const std::wstring in = L"IN->IsPrereqVC8 ()";
    const std::wstring notNeeded = L"OUT->IsPrereqVC8 VC8 Prerequistes don't need to be installed ";
    const std::wstring needed = L"OUT->IsPrereqVC8  VC8 Prerequistes need to be installed";
    const std::wstring absent = L"VC8 prerequisites are not installed";
    struct Case {
        const char* name;
        bool wow64;
        std::vector<Product> family32;
        std::vector<Product> family64;
        bool nothingToInstall;
        std::vector<std::wstring> log;
    };
    const Case cases[] = {
        {"none", false, {}, {}, false, {in, absent, needed}},
        {"8.1.3", false, {{kCodeA, L"8.1.3"}}, {}, true, {in, L"Installed Version: 8.1.3", notNeeded}},
        {"8.1.2", false, {{kCodeA, L"8.1.2"}}, {}, false, {in, L"Installed Version: 8.1.2", needed}},
        {"8.2.0", false, {{kCodeA, L"8.2.0"}}, {}, true, {in, L"Installed Version: 8.2.0", notNeeded}},
        {"9.0.0", false, {{kCodeA, L"9.0.0"}}, {}, true, {in, L"Installed Version: 9.0.0", notNeeded}},
        {"8.1 reads 8.1.0", false, {{kCodeA, L"8.1"}}, {}, false, {in, L"Installed Version: 8.1", needed}},
        {"malformed", false, {{kCodeA, L"latest"}}, {}, false, {in, L"Installed Version: latest", needed}},
        {"version unreadable", false, {{kCodeA, std::nullopt}}, {}, false, {in, absent, needed}},
        {"two: the second is older",
         false,
         {{kCodeA, L"8.1.3"}, {kCodeB, L"8.1.2"}},
         {},
         false,
         {in, L"Installed Version: 8.1.2", needed}},
        {"two: the second is new enough",
         false,
         {{kCodeA, L"8.1.2"}, {kCodeB, L"8.1.3"}},
         {},
         true,
         {in, L"Installed Version: 8.1.3", notNeeded}},
        {"64-bit: only the 64-bit family counts", true, {{kCodeA, L"9.0.0"}}, {}, false, {in, absent, needed}},
        {"64-bit: found", true, {}, {{kCodeB, L"8.1.3"}}, true, {in, L"Installed Version: 8.1.3", notNeeded}},
        {"32-bit: the 64-bit family does not count", false, {}, {{kCodeB, L"9.0.0"}}, false, {in, absent, needed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedFakeMachine machine;
        machine.system.wow64 = c.wow64;
        Register(machine.installer, upgrade_codes::kRuntime32, c.family32);
        Register(machine.installer, upgrade_codes::kRuntime64, c.family64);
        EXPECT_EQ(IsPrereqVC8(), c.nothingToInstall);
        EXPECT_EQ(LogEntries(machine), c.log);
    }
}

}  // namespace
