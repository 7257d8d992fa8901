#include "core/InstallPaths.h"

#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "platform/Services.h"

namespace {

constexpr std::size_t kTempPathChars = 1024;

// Never destroyed: the worker's clean-up may read them while the process ends.
std::wstring& TempPathValue() {
    static std::wstring& value = *new std::wstring;
    return value;
}

std::wstring& PackageFolderValue() {
    static std::wstring& value = *new std::wstring;
    return value;
}

}  // namespace

const std::wstring& TempPath() {
    return TempPathValue();
}

const std::wstring& PackageFolder() {
    return PackageFolderValue();
}

std::wstring FormatPackageFolder(const std::wstring& tempPath, std::uint32_t number) {
    return tempPath + L"KORVOS" + std::to_wstring(number) + L"\\";
}

// The setup runs elevated and downloads into the user's own temporary folder, where any program of
// the user may have prepared the expected name (as a junction to a system folder, say): the run
// works only in a folder it has just made itself, which the user cannot change.
bool PrepareInstallPaths() {
    platform::Services& os = platform::Os();
    TempPathValue() = os.files->TempFolder(kTempPathChars).value_or(std::wstring());
    PackageFolderValue().clear();
    if (TempPathValue().empty()) {
        SetupLog::Write(L"Setup cannot read the temporary folder: no package folder");
        return false;
    }
    const std::uint32_t processId = os.process->CurrentProcessId();
    for (std::uint32_t attempt = 0; attempt < kPackageFolderAttempts; ++attempt) {
        std::wstring folder = FormatPackageFolder(TempPathValue(), processId + attempt);
        platform::FolderCreation made = os.files->CreatePrivateFolder(folder);
        if (made == platform::FolderCreation::Created) {
            PackageFolderValue() = folder;
            SetupLog::Write(L"Temporary folder : " + folder);
            return true;
        }
        if (made == platform::FolderCreation::Failed) {
            SetupLog::Write(FormatWidePrintf(L"Setup cannot create the package folder %s", {folder}));
            return false;
        }
    }
    SetupLog::Write(FormatWidePrintf(L"Setup found %d package folder names taken in %s",
                                     {static_cast<int>(kPackageFolderAttempts), TempPathValue()}));
    return false;
}
