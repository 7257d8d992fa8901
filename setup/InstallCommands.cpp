#include "setup/InstallCommands.h"

#include "platform/SystemCodes.h"
#include "setup/PackageNames.h"

std::wstring AlwaysQuoted(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;  // the run of backslashes just read
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped; elsewhere they stay as they are.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, L'\\');  // before the closing quote
    return quoted + L"\"";
}

std::wstring QuotedIfNeeded(const std::wstring& argument) {
    if (argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    return AlwaysQuoted(argument);
}

std::wstring SystemProgramPath(const std::wstring& systemFolder, const std::wstring& program) {
    if (systemFolder.empty()) return std::wstring();  // no trusted place: nothing to start
    if (systemFolder.back() == L'\\') return systemFolder + program;
    return systemFolder + L"\\" + program;
}

ChildCommand UpdatePackageCommand(const std::wstring& systemFolder, const std::wstring& packagePath) {
    return {SystemProgramPath(systemFolder, L"wusa.exe"), L"wusa.exe /quiet /norestart " + QuotedIfNeeded(packagePath)};
}

ChildCommand InstallPackageCommand(const std::wstring& systemFolder, const std::wstring& packagePath,
                                   const std::optional<std::wstring>& propertyText, const std::wstring& tempPath,
                                   const std::wstring& fileName) {
    std::wstring line = L"msiexec /norestart /i " + QuotedIfNeeded(packagePath);
    // The properties follow after two blanks.
    if (propertyText) line += L"  " + *propertyText;
    line += L" /q /l* " + QuotedIfNeeded(tempPath + fileName + L".log");
    return {SystemProgramPath(systemFolder, L"msiexec.exe"), line};
}

ChildCommand RemovePackageCommand(const std::wstring& systemFolder, const std::wstring& packagePath) {
    return {SystemProgramPath(systemFolder, L"msiexec.exe"), L"msiexec /x " + QuotedIfNeeded(packagePath) + L" /q"};
}

std::wstring InstallPropertiesFor(LanguageId userLanguage) {
    std::wstring properties = L"BOOTSTRAP=1";
    switch (PrimaryLanguage(userLanguage)) {
        case 7:
            return properties + L" TRANSFORMS=\":de-de.mst\"";
        case 10:
            return properties + L" TRANSFORMS=\":es-es.mst\"";
        case 12:
            return properties + L" TRANSFORMS=\":fr-fr.mst\"";
        case 16:
            return properties + L" TRANSFORMS=\":it-it.mst\"";
        case 17:
            return properties + L" TRANSFORMS=\":ja-jp.mst\"";
        default:
            return properties;
    }
}

ProgressStep InstallProgressStep(std::int32_t counter) {
    std::int32_t posted = counter + 1;
    return {posted, posted >= kInstallRange ? 0 : posted};
}

ProgressStep RemovalProgressStep(std::int32_t counter) {
    return {counter - 1, counter - 1};
}

bool InstallerSucceeded(std::uint32_t exitCode) {
    return exitCode == 0 || exitCode == system_code::kRebootInitiated || exitCode == system_code::kRebootRequired;
}

const wchar_t* MeaningOfExitCode(std::uint32_t exitCode) {
    switch (exitCode) {
        case 0:
            return L"done";
        case system_code::kRebootRequired:
            return L"done, a restart is needed";
        case system_code::kRebootInitiated:
            return L"done, the installer started a restart";
        case system_code::kUpdateAlreadyInstalled:
            return L"the update was already installed";
        case system_code::kInstallUserExit:
            return L"cancelled in the installer";
        case system_code::kInstallAlreadyRunning:
            return L"another installation was running";
        case system_code::kUpdateNotApplicable:
            return L"the update does not apply to this system";
        default:
            return L"failed";
    }
}

std::vector<std::wstring> PackageFilesToDelete(bool wow64) {
    std::vector<std::wstring> names;
    for (const PackageFile& package : package_file::kAll) names.push_back(package.For(wow64));
    return names;
}
