#include "setup/InstallRun.h"

#include "checks/InstalledProducts.h"
#include "core/InstallPaths.h"
#include "core/MessageCatalogue.h"
#include "core/ProcessSettings.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "setup/InstallCommands.h"
#include "setup/StepMessages.h"
#include "setup/SetupOutcomes.h"
#include "setup/WorkerMessages.h"

namespace {

std::wstring StatusText(MessageId id) {
    return MessageCatalogue::FormatPositional(id, {product::kName});
}

// A cancel once the product's installation has begun takes the product off again.
RunEnd RemoveProductThenCancel(InstallContext* context, InstallSteps& steps) {
    steps.RemoveProduct(StatusText(kMsgRemoving), context);
    return RunEnd::Cancelled;
}

// The product's installation worked when its installer says so and Windows Installer afterwards
// has the package's own version registered. A failed upgrade rolls back and leaves the older
// version registered (and the product "installed"); a reinstall of the same version is no failure.
bool ProductInstalledAsPackaged(std::uint32_t exitCode, const std::optional<std::wstring>& packageVersion,
                                InstallSteps& steps) {
    if (!InstallerSucceeded(exitCode)) {
        SetupLog::Write(FormatWidePrintf(L"%s installer failed with exit code %u", {product::kName, exitCode}));
        return false;
    }
    if (!steps.IsProductInstalled()) return false;
    if (!packageVersion) {
        SetupLog::Write(FormatWidePrintf(L"Setup cannot read the version of the %s package", {product::kName}));
        return false;
    }
    std::optional<std::wstring> registered = steps.InstalledProductVersion();
    if (registered && SameVersion(*registered, *packageVersion)) return true;
    SetupLog::Write(FormatWidePrintf(L"%s is installed in version %s, not in its package's version %s",
                                     {product::kName, registered.value_or(L"?"), *packageVersion}));
    return false;
}

RunEnd InstallPackages(InstallContext* context, InstallSteps& steps) {
    for (const PlannedPackage& package : ChoosePackages(steps.Needs())) {
        int fetched = steps.Download(StatusText(package.downloadStatus), package.fileName, context);
        if (fetched == step_result::kCancelled) return RunEnd::Cancelled;
        if (fetched != step_result::kDone) return RunEnd::Failed;
        // Held from before its verification until its installer (and a removal) has ended, so that
        // what is installed is what was verified.
        const std::wstring packagePath = PackageFolder() + package.fileName;
        std::unique_ptr<platform::HeldFile> held = steps.HoldPackage(packagePath);
        if (!held || !steps.IsSigned(packagePath, *held)) return RunEnd::Failed;

        std::optional<std::wstring> packageVersion;
        if (package.isProduct) packageVersion = steps.PackageVersion(packagePath);
        std::uint32_t exitCode = 0;
        int installed = steps.Install(StatusText(package.installStatus), package, context, exitCode);
        if (installed == step_result::kCancelled) {
            return package.isProduct ? RemoveProductThenCancel(context, steps) : RunEnd::Cancelled;
        }
        if (installed != step_result::kDone) return RunEnd::Failed;
        if (package.isProduct && !ProductInstalledAsPackaged(exitCode, packageVersion, steps)) return RunEnd::Failed;
    }
    return RunEnd::Succeeded;
}

RunEnd RunProductTools(InstallContext* context, InstallSteps& steps) {
    if (TextureExpansionSkipped(CurrentProcessSettings().noTextureExpansion)) {
        SetupLog::Write(L"Expand of textures is skipped because variable KORVO_NOEXPAND is set");
    } else {
        int expanded = steps.ExpandTextures(StatusText(kMsgExpandingStatus), context);
        if (expanded == step_result::kCancelled) return RemoveProductThenCancel(context, steps);
        if (expanded != step_result::kDone) return RunEnd::ExpandFailed;
    }
    ShowStatus(context, StatusText(kMsgLaunchingOptimizer));
    int optimizer = steps.LaunchGraphicOptimizer();
    // The optimizer only tunes the product; the installation stands without it.
    if (optimizer != 0) SetupLog::Write(FormatWidePrintf(L"Graphic Optimizer failed - rc = %d", {optimizer}));
    return RunEnd::Succeeded;
}

// The outcome goes to the window first; the context is deleted right after the post, and the
// clean-up follows while the dialog already shows the outcome. Every end but success carries the
// context's value as lParam (the window never reads it). The log line comes before the clean-up for
// a failed or cancelled run and after it otherwise, as the log has always shown it.
int Finish(RunEnd end, InstallContext* context, InstallSteps& steps) {
    const RunEndRow& row = RowOf(end);
    const bool succeeded = end == RunEnd::Succeeded;
    const wchar_t* lastLine = succeeded                  ? L"OUT->ThreadDownloadInstall () OK "
                              : end == RunEnd::Cancelled ? L"OUT->ThreadDownloadInstall () CANCEL "
                                                         : L"OUT->ThreadDownloadInstall () KO ";
    const bool lineBeforeCleanup = end == RunEnd::Failed || end == RunEnd::Cancelled;
    PostToContextWindow(context, row.message, 0, succeeded ? 0 : reinterpret_cast<std::intptr_t>(context));
    if (lineBeforeCleanup) SetupLog::Write(lastLine);
    delete context;
    steps.CleanupPackageFolder();
    if (!lineBeforeCleanup) SetupLog::Write(lastLine);
    return row.result;
}

}  // namespace

int RunInstall(InstallContext* context, InstallSteps& steps) {
    SetupLog::Write(L"IN->ThreadDownloadInstall ()");
    ProgressCounter = 1;
    // Without a folder of its own the run fetches nothing, as after a failed download.
    RunEnd end = steps.PreparePackageFolder() ? InstallPackages(context, steps) : RunEnd::Failed;
    if (end == RunEnd::Succeeded) end = RunProductTools(context, steps);
    return Finish(end, context, steps);
}
