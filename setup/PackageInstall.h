#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "setup/InstallContext.h"

// Installs `fileName` from the package folder with Windows Installer (with `propertyText` when
// `withProperties`), or with the update installer when `updatePackage`, and watches it to its end
// while the progress bar moves and the user may ask to cancel. The installer is never stopped.
// 0 it ran to its end; 2 the user confirmed a cancel meanwhile; -2 it could not be started or
// watched. Its exit code is logged and, when `exitCode` is given, stored there; the step itself does
// not judge it (the worker does, for the product).
int InstallMSI(const std::wstring& statusText, const std::wstring& fileName, InstallContext* context,
               bool withProperties, const std::wstring& propertyText, bool updatePackage,
               std::uint32_t* exitCode = nullptr);

// Uninstalls what `fileName` from the package folder installed; the progress runs backwards.
// 0 it ran to its end; -2 it could not be started or watched.
int RemoveMSI(const std::wstring& statusText, const std::wstring& fileName, InstallContext* context);

// The product package's property text for the user's interface language.
std::wstring GetInstallProperties();

// Deletes the downloaded packages and the package folder; whatever cannot go stays.
void CleanupPackageFolder();
