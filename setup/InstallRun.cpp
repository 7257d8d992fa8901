#include "setup/InstallRun.h"

#include "core/InstallPaths.h"
#include "core/MessageCatalogue.h"
#include "core/ProcessSettings.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "setup/StepMessages.h"
#include "setup/WorkerMessages.h"

namespace {

constexpr int kStepDone = 0;
constexpr int kStepCancelled = 2;

enum class RunEnd { Succeeded, Failed, Cancelled, ExpandFailed };

std::wstring StatusText(MessageId id) {
    return MessageCatalogue::FormatPositional(id, {product::kName});
}

// A cancel once the product's installation has begun takes the product off again.
RunEnd RemoveProductThenCancel(InstallContext* context, InstallSteps& steps) {
    steps.RemoveProduct(StatusText(kMsgRemoving), context);
    return RunEnd::Cancelled;
}

// An upgrade that failed and rolled back leaves the older version registered, and Windows
// Installer then still reports the product as installed.
bool UpgradeTookEffect(const std::optional<std::wstring>& versionBefore, InstallSteps& steps) {
    if (!versionBefore) return true;
    if (steps.InstalledProductVersion() != versionBefore) return true;
    SetupLog::Write(FormatWidePrintf(L"%s is still installed in version %s: the new version was not installed",
                                     {product::kName, *versionBefore}));
    return false;
}

RunEnd InstallPackages(InstallContext* context, InstallSteps& steps) {
    for (const PlannedPackage& package : ChoosePackages(steps.Needs())) {
        int fetched = steps.Download(StatusText(package.downloadStatus), package.fileName, context);
        if (fetched == kStepCancelled) return RunEnd::Cancelled;
        if (fetched != kStepDone) return RunEnd::Failed;
        if (!steps.IsSigned(PackageFolder() + package.fileName)) return RunEnd::Failed;

        std::optional<std::wstring> versionBefore;
        if (package.isProduct) versionBefore = steps.InstalledProductVersion();
        int installed = steps.Install(StatusText(package.installStatus), package, context);
        if (installed == kStepCancelled) {
            return package.isProduct ? RemoveProductThenCancel(context, steps) : RunEnd::Cancelled;
        }
        if (installed != kStepDone) return RunEnd::Failed;
        if (package.isProduct && (!steps.IsProductInstalled() || !UpgradeTookEffect(versionBefore, steps))) {
            return RunEnd::Failed;
        }
    }
    return RunEnd::Succeeded;
}

RunEnd RunProductTools(InstallContext* context, InstallSteps& steps) {
    if (TextureExpansionSkipped(CurrentProcessSettings().noTextureExpansion)) {
        SetupLog::Write(L"Expand of textures is skipped because variable KORVO_NOEXPAND is set");
    } else {
        int expanded = steps.ExpandTextures(StatusText(kMsgExpandingStatus), context);
        if (expanded == kStepCancelled) return RemoveProductThenCancel(context, steps);
        if (expanded != kStepDone) return RunEnd::ExpandFailed;
    }
    ShowStatus(context, StatusText(kMsgLaunchingOptimizer));
    int optimizer = steps.LaunchGraphicOptimizer();
    // The optimizer only tunes the product; the installation stands without it.
    if (optimizer != 0) SetupLog::Write(FormatWidePrintf(L"Graphic Optimizer failed - rc = %d", {optimizer}));
    return RunEnd::Succeeded;
}

std::intptr_t AsMessageValue(InstallContext* context) {
    return reinterpret_cast<std::intptr_t>(context);
}

// The outcome goes to the window first; the clean-up follows while the dialog already shows it.
// The window never reads the context of a final message: it is deleted right after the post.
int Finish(RunEnd end, InstallContext* context, InstallSteps& steps) {
    switch (end) {
        case RunEnd::Succeeded:
            PostToContextWindow(context, worker_message::kInstallSucceeded, 0, 0);
            delete context;
            steps.CleanupPackageFolder();
            SetupLog::Write(L"OUT->ThreadDownloadInstall () OK ");
            return kRunInstalled;
        case RunEnd::Failed:
            PostToContextWindow(context, worker_message::kInstallFailed, 0, AsMessageValue(context));
            SetupLog::Write(L"OUT->ThreadDownloadInstall () KO ");
            delete context;
            steps.CleanupPackageFolder();
            return kRunFailed;
        case RunEnd::Cancelled:
            PostToContextWindow(context, worker_message::kInstallCanceled, 0, AsMessageValue(context));
            SetupLog::Write(L"OUT->ThreadDownloadInstall () CANCEL ");
            delete context;
            steps.CleanupPackageFolder();
            return kRunCancelled;
        case RunEnd::ExpandFailed:
            // The product stays installed.
            PostToContextWindow(context, worker_message::kExpandFailed, 0, AsMessageValue(context));
            delete context;
            steps.CleanupPackageFolder();
            SetupLog::Write(L"OUT->ThreadDownloadInstall () KO ");
            return kRunFailed;
    }
    return kRunFailed;
}

}  // namespace

int RunInstall(InstallContext* context, InstallSteps& steps) {
    SetupLog::Write(L"IN->ThreadDownloadInstall ()");
    ProgressCounter = 1;
    steps.PreparePackageFolder();
    RunEnd end = InstallPackages(context, steps);
    if (end == RunEnd::Succeeded) end = RunProductTools(context, steps);
    return Finish(end, context, steps);
}
