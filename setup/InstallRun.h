#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/PlainFiles.h"

#include "setup/InstallContext.h"
#include "setup/InstallPlan.h"
#include "setup/SetupOutcomes.h"

// The install run's sequence, apart from the steps it calls: the program hands it the package
// steps of the setup (ThreadDownloadInstall), tests hand it steps with scripted results.
class InstallSteps {
public:
    virtual ~InstallSteps() = default;
    // Reads the paths, makes a new package folder and logs it; false when none could be made.
    virtual bool PreparePackageFolder() = 0;
    virtual MachineNeeds Needs() = 0;
    // step_result: done, cancelled, anything else failed (so for every step below).
    virtual int Download(const std::wstring& statusText, const std::wstring& fileName, InstallContext* context) = 0;
    // Opens the downloaded package and holds it so that nobody can change, rename or delete it until
    // the hold goes; null (logged) when it cannot be held.
    virtual std::unique_ptr<platform::HeldFile> HoldPackage(const std::wstring& packagePath) = 0;
    // Verifies the signature of the package `package` holds.
    virtual bool IsSigned(const std::wstring& packagePath, const platform::HeldFile& package) = 0;
    // Done: the installer ran to its end (its exit code in `exitCode`).
    virtual int Install(const std::wstring& statusText, const PlannedPackage& package, InstallContext* context,
                        std::uint32_t& exitCode) = 0;
    virtual void RemoveProduct(const std::wstring& statusText, InstallContext* context) = 0;
    virtual bool IsProductInstalled() = 0;
    // The version Windows Installer has registered for the product; nullopt when none can be read.
    virtual std::optional<std::wstring> InstalledProductVersion() = 0;
    // The product version the package at `packagePath` installs (its own ProductVersion property);
    // nullopt when it cannot be read.
    virtual std::optional<std::wstring> PackageVersion(const std::wstring& packagePath) = 0;
    virtual int ExpandTextures(const std::wstring& statusText, InstallContext* context) = 0;
    // 0 done, anything else the optimizer's failure code.
    virtual int LaunchGraphicOptimizer() = 0;
    virtual void CleanupPackageFolder() = 0;
};

// Runs the whole install, posts the outcome to the context's window, deletes `context` (allocated
// with new; may be null) and cleans the package folder. A RunResult.
int RunInstall(InstallContext* context, InstallSteps& steps);
