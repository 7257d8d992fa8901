#include "core/InstallPaths.h"

#include "core/SetupLog.h"
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

std::wstring FormatPackageFolder(const std::wstring& tempPath, std::uint32_t processId) {
    return tempPath + L"KORVOS" + std::to_wstring(processId) + L"\\";
}

void PrepareInstallPaths() {
    platform::Services& os = platform::Os();
    TempPathValue() = os.files->TempFolder(kTempPathChars).value_or(std::wstring());
    PackageFolderValue() = FormatPackageFolder(TempPathValue(), os.process->CurrentProcessId());
    os.files->CreateFolder(PackageFolderValue());
    SetupLog::Write(L"Temporary folder : " + PackageFolderValue());
}
