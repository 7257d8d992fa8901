#include "setup/InstallWorker.h"

#include "checks/InstalledProducts.h"
#include "checks/OsCheck.h"
#include "checks/StartupCheckResults.h"
#include "core/InstallPaths.h"
#include "setup/InstallRun.h"
#include "setup/PackageDownload.h"
#include "setup/PackageInstall.h"
#include "setup/PackageNames.h"
#include "setup/PackageSignature.h"
#include "setup/PostInstallTools.h"
#include "setup/RunningWorker.h"

namespace {

// The setup's own package steps.
class PackageSteps final : public InstallSteps {
public:
    bool PreparePackageFolder() override { return PrepareInstallPaths(); }
    MachineNeeds Needs() override {
        const StartupCheckResults& found = StartupResults();
        return MachineNeeds{found.vc8PrereqNeeded, found.msxmlPrereqNeeded, found.isWindows60, IsWow64()};
    }
    int Download(const std::wstring& statusText, const std::wstring& fileName, InstallContext* context) override {
        return DownloadPrereqs(statusText, fileName, fileName, context);
    }
    std::unique_ptr<platform::HeldFile> HoldPackage(const std::wstring& packagePath) override {
        return HoldDownloadedPackage(packagePath);
    }
    bool IsSigned(const std::wstring& packagePath, const platform::HeldFile& package) override {
        return IsPackageSigned(packagePath, package);
    }
    int Install(const std::wstring& statusText, const PlannedPackage& package, InstallContext* context,
                std::uint32_t& exitCode) override {
        return InstallMSI(statusText, package.fileName, context, package.isProduct,
                          package.isProduct ? GetInstallProperties() : std::wstring(), package.updatePackage,
                          &exitCode);
    }
    std::optional<std::wstring> PackageVersion(const std::wstring& packagePath) override {
        return ReadPackageProductVersion(packagePath);
    }
    void RemoveProduct(const std::wstring& statusText, InstallContext* context) override {
        RemoveMSI(statusText, package_file::kProductName, context);
    }
    bool IsProductInstalled() override { return IsInstalled(); }
    std::optional<std::wstring> InstalledProductVersion() override {
        InstalledPackageFacts product = ReadInstalledPackage(upgrade_codes::kProduct);
        if (!product.registered || !product.versionRead) return std::nullopt;
        return product.versionText;
    }
    int ExpandTextures(const std::wstring& statusText, InstallContext* context) override {
        return ExpandTextures::Expand(statusText, context);
    }
    int LaunchGraphicOptimizer() override { return ::LaunchGraphicOptimizer(); }
    void CleanupPackageFolder() override { ::CleanupPackageFolder(); }
};

}  // namespace

int ThreadDownloadInstall(InstallContext* context) {
    PackageSteps steps;
    int result = RunInstall(context, steps);
    // Start-up may now end the process: the last log line and the clean-up are done.
    UnregisterRunningWorker();
    return result;
}
