#pragma once
#include <cstdint>

// The Windows codes the setup reads, returns or explains, named once for every layer (the Win32
// code uses the system's own names; logic and fakes cannot include them).
namespace system_code {
inline constexpr std::uint32_t kFileNotFound = 2;              // ERROR_FILE_NOT_FOUND, also a missing registry value
inline constexpr std::uint32_t kPathNotFound = 3;              // ERROR_PATH_NOT_FOUND
inline constexpr std::uint32_t kMoreData = 234;                // ERROR_MORE_DATA
inline constexpr std::uint32_t kStillActive = 259;             // STILL_ACTIVE: the exit code of a running child
inline constexpr std::uint32_t kNoMoreItems = 259;             // ERROR_NO_MORE_ITEMS
inline constexpr std::uint32_t kInstallUserExit = 1602;        // ERROR_INSTALL_USEREXIT
inline constexpr std::uint32_t kUnknownProduct = 1605;         // ERROR_UNKNOWN_PRODUCT
inline constexpr std::uint32_t kInstallAlreadyRunning = 1618;  // ERROR_INSTALL_ALREADY_RUNNING
inline constexpr std::uint32_t kBadPackage = 1620;             // ERROR_INSTALL_PACKAGE_INVALID
inline constexpr std::uint32_t kRebootInitiated = 1641;        // ERROR_SUCCESS_REBOOT_INITIATED
inline constexpr std::uint32_t kRebootRequired = 3010;         // ERROR_SUCCESS_REBOOT_REQUIRED
inline constexpr std::uint32_t kUpdateAlreadyInstalled = 0x00240006;  // WU_S_ALREADY_INSTALLED
inline constexpr std::uint32_t kUpdateNotApplicable = 0x80240017;     // WU_E_NOT_APPLICABLE
}  // namespace system_code
