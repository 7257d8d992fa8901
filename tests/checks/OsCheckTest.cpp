// The operating-system table, row by row, and the check on a staged machine.
#include <gtest/gtest.h>

#include "checks/OsCheck.h"
#include "checks/StartupCheckResults.h"
#include "tests/checks/MachineTestSupport.h"

namespace {

using machine_test::English;
using platform::OsVersionRecord;

constexpr std::uint32_t kNt = 2;
constexpr std::uint8_t kWorkstation = 1, kDomainController = 2, kServer = 3;
constexpr std::uint16_t kX86 = 0, kX64 = 9;

const std::wstring kXp64Message =
    L"Service Pack 2 or higher is required to install on Microsoft Windows XP 64-bit editions.";
const std::wstring kServer2003Message =
    L"Service Pack 1 or higher is required to install on Microsoft Windows Server 2003.";
const std::wstring kXpMessage = L"Service Pack 2 or higher is required to install on Microsoft Windows XP.";
const std::wstring kNeedsXpMessage = L"Setup requires Windows XP, Service Pack 2 or higher.";

struct OsCase {
    const char* label;
    std::optional<OsVersionRecord> version;  // servicePackMajor is not judged here: see spConfirmed
    std::optional<std::uint16_t> architecture;
    bool spConfirmed;          // the system's answer to the service pack question
    std::uint16_t requiredSp;  // the question the row asks (0: none)
    bool authorized;
    bool isWindows60;
    std::optional<std::wstring> failureMessage;
    std::wstring nameLine;
};

OsVersionRecord Nt(std::uint32_t major, std::uint32_t minor, std::uint8_t productType = kWorkstation) {
    return OsVersionRecord{kNt, major, minor, 0, productType};
}

const OsCase kOsTable[] = {
    {"Windows 2000", Nt(5, 0), std::nullopt, true, 0, false, false, kNeedsXpMessage, L"Microsoft Windows 2000 "},
    {"Windows NT 4", Nt(4, 0), std::nullopt, true, 0, false, false, kNeedsXpMessage, L"Microsoft Windows NT "},
    {"XP SP1", Nt(5, 1), std::nullopt, false, 2, false, false, kXpMessage, L"Microsoft Windows XP "},
    {"XP SP2", Nt(5, 1), std::nullopt, true, 2, true, false, std::nullopt, L"Microsoft Windows XP "},
    {"XP SP3", Nt(5, 1), std::nullopt, true, 2, true, false, std::nullopt, L"Microsoft Windows XP "},
    {"XP x64 SP1", Nt(5, 2), kX64, false, 2, false, false, kXp64Message,
     L"Microsoft Windows XP Professional x64 Edition "},
    {"XP x64 SP2", Nt(5, 2), kX64, true, 2, true, false, std::nullopt,
     L"Microsoft Windows XP Professional x64 Edition "},
    {"Server 2003", Nt(5, 2, kServer), kX86, false, 1, false, false, kServer2003Message,
     L"Microsoft Windows Server 2003"},
    {"Server 2003 SP1", Nt(5, 2, kServer), kX86, true, 1, true, false, std::nullopt, L"Microsoft Windows Server 2003"},
    {"Server 2003 x64", Nt(5, 2, kServer), kX64, false, 1, false, false, kServer2003Message,
     L"Microsoft Windows Server 2003"},
    {"Server 2003 x64 SP1", Nt(5, 2, kServer), kX64, true, 1, true, false, std::nullopt,
     L"Microsoft Windows Server 2003"},
    {"5.2 workstation, 32-bit", Nt(5, 2), kX86, false, 1, false, false, kServer2003Message,
     L"Microsoft Windows Server 2003"},
    {"5.2 without GetNativeSystemInfo", Nt(5, 2), std::nullopt, true, 1, true, false, std::nullopt,
     L"Microsoft Windows Server 2003"},
    {"5.3", Nt(5, 3), std::nullopt, false, 0, true, false, std::nullopt, L""},
    {"Vista", Nt(6, 0), std::nullopt, false, 0, true, true, std::nullopt, L"Microsoft Windows Vista "},
    {"Server 2008", Nt(6, 0, kServer), std::nullopt, true, 0, false, true,
     L"KORVO Skelv installation is forbidden on Microsoft Windows Server 2008 \n.", L"Microsoft Windows Server 2008 "},
    {"Server 2008 domain controller", Nt(6, 0, kDomainController), std::nullopt, true, 0, false, true,
     L"KORVO Skelv installation is forbidden on Microsoft Windows Server 2008 \n.", L"Microsoft Windows Server 2008 "},
    {"Windows 7", Nt(6, 1), std::nullopt, false, 0, true, false, std::nullopt, L""},
    {"Windows 8", Nt(6, 2), std::nullopt, false, 0, true, false, std::nullopt, L""},
    {"Windows 10", Nt(10, 0), std::nullopt, false, 0, true, false, std::nullopt, L""},
    {"Windows 11 (reports 10.0)", Nt(10, 0), std::nullopt, false, 0, true, false, std::nullopt, L""},
    {"Windows 98 (not NT)", OsVersionRecord{1, 4, 10, 0, 0}, std::nullopt, false, 0, true, false, std::nullopt, L""},
    {"unreadable version", std::nullopt, std::nullopt, false, 0, false, false, std::nullopt, L""},
};

TEST(OsTable, EveryRowGivesItsVerdictMessageAndSystemName) {
    for (const OsCase& c : kOsTable) {
        SCOPED_TRACE(c.label);
        if (c.version && c.version->platformId == kNt) {
            EXPECT_EQ(FindOsRow(*c.version, c.architecture).requiredServicePack, c.requiredSp);
        }
        OsVerdict verdict = DecideOsAuthorization(OsFacts{c.version, c.architecture, c.spConfirmed}, English);
        EXPECT_EQ(verdict.authorized, c.authorized);
        EXPECT_EQ(verdict.isWindows60, c.isWindows60);
        EXPECT_EQ(verdict.failureMessage, c.failureMessage);
        std::wstring out = c.authorized ? L"OUT-> IsOSAuthorized() - OK " : L"OUT-> IsOSAuthorized() - KO ";
        EXPECT_EQ(verdict.logLines, (std::vector<std::wstring>{L"IN-> IsOSAuthorized()", c.nameLine, out}));
    }
}

// The staged system answers the service pack question from its record, so these runs also check
// that the check asks each row's own service pack.
TEST(OsCheck, OnStagedMachinesAsksTheRowsServicePackAndRecordsTheResults) {
    struct Case {
        const char* label;
        std::optional<OsVersionRecord> version;
        std::uint16_t architecture;
        bool authorized;
        std::wstring failureMessage;  // as left by the check; it starts as "previous"
        bool isWindows60;
        std::wstring nameLine;
    };
    const Case cases[] = {
        {"XP SP1", OsVersionRecord{kNt, 5, 1, 1, kWorkstation}, kX86, false, kXpMessage, false,
         L"Microsoft Windows XP "},
        {"XP SP2", OsVersionRecord{kNt, 5, 1, 2, kWorkstation}, kX86, true, L"previous", false,
         L"Microsoft Windows XP "},
        {"XP x64 SP1", OsVersionRecord{kNt, 5, 2, 1, kWorkstation}, kX64, false, kXp64Message, false,
         L"Microsoft Windows XP Professional x64 Edition "},
        {"Vista", OsVersionRecord{kNt, 6, 0, 0, kWorkstation}, kX86, true, L"previous", true,
         L"Microsoft Windows Vista "},
        {"Windows 7", OsVersionRecord{kNt, 6, 1, 1, kWorkstation}, kX86, true, L"previous", false, L""},
        {"unreadable", std::nullopt, kX86, false, L"previous", false, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        platform::fakes::ScopedFakeMachine machine;
        machine.system.version = c.version;
        machine.system.nativeArchitecture = c.architecture;
        StartupResults().isWindows60 = !c.isWindows60;
        std::wstring failureMessage = L"previous";
        EXPECT_EQ(IsOSAuthorized(failureMessage), c.authorized);
        EXPECT_EQ(failureMessage, c.failureMessage);
        EXPECT_EQ(StartupResults().isWindows60, c.isWindows60);
        std::wstring out = c.authorized ? L"OUT-> IsOSAuthorized() - OK " : L"OUT-> IsOSAuthorized() - KO ";
        EXPECT_EQ(LogEntries(machine), (std::vector<std::wstring>{L"IN-> IsOSAuthorized()", c.nameLine, out}));
    }
}

}  // namespace
