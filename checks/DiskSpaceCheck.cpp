#include "checks/DiskSpaceCheck.h"

#include <cstdint>

#include "core/MessageCatalogue.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "platform/Services.h"
#include "platform/SystemCodes.h"

namespace {

constexpr std::uint64_t kBytesPerMb = 1048576;
constexpr unsigned kFirstInstallMb = 250;
constexpr unsigned kUpgradeMb = 120;

DiskFacts GatherDiskFacts(bool upgradeAvailable) {
    const platform::DiskSpace& disk = *platform::Os().disk;
    DiskFacts facts;
    facts.upgradeAvailable = upgradeAvailable;
    facts.programFilesFolder = disk.ProgramFilesFolder();
    if (!facts.programFilesFolder.empty()) facts.freeSpace = disk.FreeSpace(facts.programFilesFolder);
    return facts;
}

}  // namespace

DiskVerdict DecideDiskSpace(const DiskFacts& facts, TextLoader loadText) {
    unsigned requiredMb = facts.upgradeAvailable ? kUpgradeMb : kFirstInstallMb;
    platform::FreeSpaceAnswer free = facts.freeSpace;
    // A Program Files folder the system could not name: measuring "" would measure the current
    // directory's volume instead.
    if (facts.programFilesFolder.empty()) free = platform::FreeSpaceAnswer{false, 0, system_code::kPathNotFound};

    DiskVerdict verdict;
    verdict.logLines.push_back(L"IN-> IsEnoughDiskSpace()");
    if (!free.ok) {
        verdict.logLines.push_back(FormatWidePrintf(loadText(kMsgFunctionFailed), {L"GetDiskSpaceEx", free.error}));
        verdict.failureMessage = loadText(kMsgDiskSizeError);
    } else {
        long long bytes = static_cast<long long>(free.bytesAvailableToCaller);
        verdict.logLines.push_back(FormatWidePrintf(loadText(kMsgByteCount), {bytes}));
        verdict.enough = free.bytesAvailableToCaller >= requiredMb * kBytesPerMb;
        if (!verdict.enough)
            verdict.failureMessage = FormatWidePrintf(loadText(kMsgDiskSpaceRequired), {product::kName, requiredMb});
    }
    verdict.logLines.push_back(verdict.enough ? L"OUT-> IsEnoughDiskSpace() - OK " : L"OUT-> IsEnoughDiskSpace() - KO");
    return verdict;
}

bool IsEnoughDiskSpace(bool upgradeAvailable, std::wstring& failureMessage) {
    DiskVerdict verdict = DecideDiskSpace(GatherDiskFacts(upgradeAvailable), MessageCatalogue::Load);
    if (verdict.failureMessage) failureMessage = *verdict.failureMessage;
    for (const std::wstring& line : verdict.logLines) SetupLog::Write(line);
    return verdict.enough;
}
