#include "setup/InstallCommands.h"

#include "setup/PackageNames.h"

std::wstring QuotedArgument(const std::wstring& argument) {
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

std::wstring QuoteArgument(const std::wstring& argument) {
    if (argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    return QuotedArgument(argument);
}

std::wstring SystemProgramPath(const std::wstring& systemFolder, const std::wstring& program) {
    if (systemFolder.empty()) return std::wstring();  // no trusted place: nothing to start
    if (systemFolder.back() == L'\\') return systemFolder + program;
    return systemFolder + L"\\" + program;
}

ChildCommand UpdatePackageCommand(const std::wstring& systemFolder, const std::wstring& packagePath) {
    return {SystemProgramPath(systemFolder, L"wusa.exe"), L"wusa.exe /quiet /norestart " + QuoteArgument(packagePath)};
}

ChildCommand InstallPackageCommand(const std::wstring& systemFolder, const std::wstring& packagePath,
                                   const std::optional<std::wstring>& propertyText, const std::wstring& tempPath,
                                   const std::wstring& fileName) {
    std::wstring line = L"msiexec /norestart /i " + QuoteArgument(packagePath);
    // The properties follow after two blanks.
    if (propertyText) line += L"  " + *propertyText;
    line += L" /q /l* " + QuoteArgument(tempPath + fileName + L".log");
    return {SystemProgramPath(systemFolder, L"msiexec.exe"), line};
}

ChildCommand RemovePackageCommand(const std::wstring& systemFolder, const std::wstring& packagePath) {
    return {SystemProgramPath(systemFolder, L"msiexec.exe"), L"msiexec /x " + QuoteArgument(packagePath) + L" /q"};
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
    return exitCode == 0 || exitCode == 1641 || exitCode == 3010;
}

const wchar_t* MeaningOfExitCode(std::uint32_t exitCode) {
    switch (exitCode) {
        case 0:
            return L"done";
        case 3010:  // ERROR_SUCCESS_REBOOT_REQUIRED
            return L"done, a restart is needed";
        case 1641:  // ERROR_SUCCESS_REBOOT_INITIATED
            return L"done, the installer started a restart";
        case 0x00240006:  // WU_S_ALREADY_INSTALLED
            return L"the update was already installed";
        case 1602:  // ERROR_INSTALL_USEREXIT
            return L"cancelled in the installer";
        case 1618:  // ERROR_INSTALL_ALREADY_RUNNING
            return L"another installation was running";
        case 0x80240017:  // WU_E_NOT_APPLICABLE
            return L"the update does not apply to this system";
        default:
            return L"failed";
    }
}

std::vector<std::wstring> PackageFilesToDelete(bool wow64) {
    using namespace package_name;
    if (wow64) return {kPrereqs64, kMsxml64, kProduct, kMsxmlUpdate64};
    return {kPrereqs32, kMsxml32, kProduct, kMsxmlUpdate32};
}
