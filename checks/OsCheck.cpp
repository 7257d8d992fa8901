#include "checks/OsCheck.h"

#include "checks/StartupCheckResults.h"
#include "core/MessageCatalogue.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "platform/Services.h"

namespace {

constexpr std::uint32_t kPlatformWin32Nt = 2;
constexpr std::uint8_t kNtWorkstation = 1;
constexpr std::uint16_t kArchitectureAmd64 = 9;

bool IsServer2003Family(const platform::OsVersionRecord& version) {
    return version.major == 5 && version.minor == 2;
}

OsFacts GatherOsFacts() {
    const platform::SystemInfo& system = *platform::Os().system;
    OsFacts facts;
    facts.version = system.ReadVersion();
    if (!facts.version || facts.version->platformId != kPlatformWin32Nt) return facts;
    if (IsServer2003Family(*facts.version)) facts.nativeArchitecture = system.NativeProcessorArchitecture();
    OsRow row = FindOsRow(*facts.version, facts.nativeArchitecture);
    if (row.requiredServicePack != 0 && !row.alwaysRefused)
        facts.servicePackConfirmed = system.ServicePackAtLeast(row.requiredServicePack);
    return facts;
}

}  // namespace

OsRow FindOsRow(const platform::OsVersionRecord& version, std::optional<std::uint16_t> nativeArchitecture) {
    OsRow row;
    if (version.major == 6 && version.minor == 0) {
        row.isWindows60 = true;
        if (version.productType == kNtWorkstation) {
            row.systemName = "Microsoft Windows Vista ";
        } else {
            row.systemName = "Microsoft Windows Server 2008 ";
            row.refusal = kMsgForbiddenOn;
            row.alwaysRefused = true;
        }
    } else if (IsServer2003Family(version)) {
        if (version.productType == kNtWorkstation && nativeArchitecture == kArchitectureAmd64) {
            row = OsRow{"Microsoft Windows XP Professional x64 Edition ", 2, kMsgXp64NeedsSp2};
        } else {
            row = OsRow{"Microsoft Windows Server 2003", 1, kMsgServer2003NeedsSp1};
        }
    } else if (version.major == 5 && version.minor == 1) {
        row = OsRow{"Microsoft Windows XP ", 2, kMsgXpNeedsSp2};
    } else if (version.major == 5 && version.minor == 0) {
        row = OsRow{"Microsoft Windows 2000 ", 0, kMsgNeedsXpSp2, true};
    } else if (version.major <= 4) {
        row = OsRow{"Microsoft Windows NT ", 0, kMsgNeedsXpSp2, true};
    }
    return row;  // every other version (5.3 and above, 6.1 and above, 7 and above) is accepted
}

OsVerdict DecideOsAuthorization(const OsFacts& facts, TextLoader loadText) {
    OsVerdict verdict;
    std::string systemName;
    if (facts.version && facts.version->platformId != kPlatformWin32Nt) {
        verdict.authorized = true;
    } else if (facts.version) {
        OsRow row = FindOsRow(*facts.version, facts.nativeArchitecture);
        systemName = row.systemName;
        verdict.isWindows60 = row.isWindows60;
        verdict.authorized = row.refusal == 0 || (!row.alwaysRefused && facts.servicePackConfirmed);
        if (!verdict.authorized) {
            std::wstring text = loadText(row.refusal);
            if (row.refusal == kMsgForbiddenOn) text = FillPositional(text, {product::kName, WidenBytes(systemName)});
            verdict.failureMessage = text;
        }
    }
    verdict.logLines = {L"IN-> IsOSAuthorized()", WidenBytes(systemName),
                        verdict.authorized ? L"OUT-> IsOSAuthorized() - OK " : L"OUT-> IsOSAuthorized() - KO "};
    return verdict;
}

bool IsOSAuthorized(std::wstring& failureMessage) {
    OsVerdict verdict = DecideOsAuthorization(GatherOsFacts(), MessageCatalogue::Load);
    StartupResults().isWindows60 = verdict.isWindows60;
    if (verdict.failureMessage) failureMessage = *verdict.failureMessage;
    for (const std::wstring& line : verdict.logLines) SetupLog::Write(line);
    return verdict.authorized;
}

bool IsWow64() {
    return platform::Os().system->IsWow64();
}
