#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "resources/LanguageId.h"

// The decisions of the installation steps, apart from carrying them out: the installers' command
// lines, the progress positions, what an installer's exit code means, what the clean-up deletes.

// `argument` in double quotes, read back whole by the C runtime's command-line rules: a quote inside
// is escaped, backslashes before it or before the closing quote doubled. Unchanged inside for every
// path (paths hold no quotes) that does not end with a backslash.
std::wstring AlwaysQuoted(const std::wstring& argument);

// `argument` as one command-line argument: quoted as above when it holds a blank, a tab or a quote,
// otherwise unchanged.
std::wstring QuotedIfNeeded(const std::wstring& argument);

// The program to run, by its full path, and the command line it sees (also the one logged).
struct ChildCommand {
    std::wstring application;
    std::wstring line;
};

// `systemFolder` + "\" + `program`; empty when the system folder is unknown.
std::wstring SystemProgramPath(const std::wstring& systemFolder, const std::wstring& program);

// wusa.exe for an operating-system update package.
ChildCommand UpdatePackageCommand(const std::wstring& systemFolder, const std::wstring& packagePath);
// msiexec installing `packagePath`, with the property text when there is one, logging to
// tempPath + fileName + ".log".
ChildCommand InstallPackageCommand(const std::wstring& systemFolder, const std::wstring& packagePath,
                                   const std::optional<std::wstring>& propertyText, const std::wstring& tempPath,
                                   const std::wstring& fileName);
// msiexec removing what `packagePath` installed.
ChildCommand RemovePackageCommand(const std::wstring& systemFolder, const std::wstring& packagePath);

// The product package's properties: "BOOTSTRAP=1" and the package's own transform for the
// languages it carries one for.
std::wstring InstallPropertiesFor(LanguageId userLanguage);

// One progress step: the position posted and the counter kept for the next step.
struct ProgressStep {
    std::int32_t posted;
    std::int32_t kept;
};
inline constexpr std::int32_t kInstallRange = 100;
inline constexpr std::int32_t kRemovalRange = 60;
// Installation: one up, and back to 0 once the range is reached (the bar starts again).
ProgressStep InstallProgressStep(std::int32_t counter);
// Removal: one down, without a lower bound.
ProgressStep RemovalProgressStep(std::int32_t counter);

// What an installer's (msiexec's or wusa.exe's) exit code says, for the log.
const wchar_t* MeaningOfExitCode(std::uint32_t exitCode);

// True for Windows Installer's exit codes of a done installation: 0, and 1641 and 3010 (done, a
// restart started or needed).
bool InstallerSucceeded(std::uint32_t exitCode);

// The files the clean-up deletes from the package folder, in order: every package the worker may
// have downloaded on this kind of Windows, so that the folder itself can go.
std::vector<std::wstring> PackageFilesToDelete(bool wow64);
