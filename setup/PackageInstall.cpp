#include "setup/PackageInstall.h"

#include <optional>

#include "checks/OsCheck.h"
#include "core/InstallPaths.h"
#include "core/MessageCatalogue.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "platform/Services.h"
#include "platform/SystemCodes.h"
#include "setup/CancelQuestion.h"
#include "setup/ChildWatch.h"
#include "setup/InstallCommands.h"
#include "setup/StepMessages.h"
#include "setup/SetupOutcomes.h"

namespace {

constexpr std::uint32_t kInstallWaitMilliseconds = 300;
constexpr std::uint32_t kRemovalWaitMilliseconds = 1500;
// A short installation still shows the bar at its end for a moment.
constexpr std::int32_t kShortInstallPosition = 60;
constexpr std::uint32_t kShortInstallPauseMilliseconds = 200;

std::wstring ProcessFailedLine(std::uint32_t error) {
    return FormatWidePrintf(L"Process failed rc = %d", {static_cast<int>(error)});
}

std::wstring ExitCodeUnreadableLine(std::uint32_t error) {
    return FormatWidePrintf(L"GetExitCodeProcess failed rc = %d", {static_cast<int>(error)});
}

void LogExitCode(std::uint32_t exitCode) {
    SetupLog::Write(FormatWidePrintf(L"Installer exit code = %u (%s)", {exitCode, MeaningOfExitCode(exitCode)}));
}

// The installers run only from the system folder, never from wherever a search would find them.
platform::ChildStart StartSystemProgram(const ChildCommand& command) {
    if (command.application.empty()) return platform::ChildStart{nullptr, system_code::kPathNotFound};
    return platform::Os().children->Start(command.application, command.line, false);
}

}  // namespace

int InstallMSI(const std::wstring& statusText, const std::wstring& fileName, InstallContext* context,
               bool withProperties, const std::wstring& propertyText, bool updatePackage, std::uint32_t* exitCode) {
    platform::Services& os = platform::Os();
    SetupLog::Write(L"IN->InstallMSI ()");
    ShowStatus(context, statusText);
    std::wstring packagePath = PackageFolder() + fileName;
    SetupLog::Write(packagePath);
    std::wstring systemFolder = os.children->SystemFolder();
    ChildCommand command =
        updatePackage ? UpdatePackageCommand(systemFolder, packagePath)
                      : InstallPackageCommand(systemFolder, packagePath,
                                              withProperties ? std::optional<std::wstring>(propertyText) : std::nullopt,
                                              TempPath(), fileName);
    SetupLog::Write(command.line);

    platform::ChildStart start = StartSystemProgram(command);
    if (!start.child) {
        SetupLog::Write(ProcessFailedLine(start.error));
        return EndStep(L"OUT->InstallMSI () KO", step_result::kNotWatched);
    }
    ProgressCounter.store(0);
    ShowProgress(context, 1, kInstallRange);
    int result = step_result::kDone;
    // Asked while the installer runs; a confirmed cancel does not stop it.
    CancelQuestion question(context, {true, false});
    WatchOutcome outcome = WatchChild(
        *start.child, kInstallWaitMilliseconds,
        [&] {
            if (question.Confirmed()) result = step_result::kCancelled;
        },
        [&] {
            ProgressStep step = InstallProgressStep(ProgressCounter.load());
            ProgressCounter.store(step.kept);
            ShowProgress(context, step.posted, kInstallRange);
        });
    start.child.reset();
    ShowProgress(context, kInstallRange, kInstallRange);

    if (!outcome.read) {
        SetupLog::Write(ExitCodeUnreadableLine(outcome.error));
        return EndStep(L"OUT->InstallMSI () KO", step_result::kNotWatched);
    }
    LogExitCode(outcome.exitCode);
    if (exitCode != nullptr) *exitCode = outcome.exitCode;
    if (ProgressCounter.load() < kShortInstallPosition) {
        ShowProgress(context, kShortInstallPosition, kShortInstallPosition);
        os.children->Pause(kShortInstallPauseMilliseconds);
    }
    SetupLog::Write(L"OUT->InstallMSI () OK");
    if (result != step_result::kCancelled) return result;
    SetupLog::Write(FormatWidePrintf(L"Setup was interrupted by user after %s installation", {packagePath}));
    return EndStep(L"OUT->InstallMSI () CANCEL", result);
}

int RemoveMSI(const std::wstring& statusText, const std::wstring& fileName, InstallContext* context) {
    platform::Services& os = platform::Os();
    SetupLog::Write(L"IN->RemoveMSI ()");
    ShowStatus(context, statusText);
    ChildCommand command = RemovePackageCommand(os.children->SystemFolder(), PackageFolder() + fileName);
    SetupLog::Write(command.line);

    platform::ChildStart start = StartSystemProgram(command);
    if (!start.child) {
        SetupLog::Write(ProcessFailedLine(start.error));
        return EndStep(L"OUT->RemoveMSI () KO", step_result::kNotWatched);
    }
    ProgressCounter.store(kRemovalRange);
    ShowProgress(context, kRemovalRange - 1, kRemovalRange);
    WatchOutcome outcome = WatchChild(
        *start.child, kRemovalWaitMilliseconds, [] {},
        [&] {
            ProgressStep step = RemovalProgressStep(ProgressCounter.load());
            ProgressCounter.store(step.kept);
            ShowProgress(context, step.posted, kRemovalRange);
        });
    start.child.reset();

    if (!outcome.read) {
        SetupLog::Write(ExitCodeUnreadableLine(outcome.error));
        return EndStep(L"OUT->RemoveMSI () KO", step_result::kNotWatched);
    }
    LogExitCode(outcome.exitCode);
    ShowProgress(context, 0, kRemovalRange);
    return EndStep(L"OUT->RemoveMSI () OK", step_result::kDone);
}

std::wstring GetInstallProperties() {
    return InstallPropertiesFor(platform::Os().language->UserUiLanguage());
}

void CleanupPackageFolder() {
    // No folder was made: bare names would be deleted from the current folder.
    if (PackageFolder().empty()) return;
    platform::FileRemoval& removal = *platform::Os().removal;
    for (const std::wstring& name : PackageFilesToDelete(IsWow64())) removal.RemoveFile(PackageFolder() + name);
    removal.RemoveEmptyFolder(PackageFolder());
}
