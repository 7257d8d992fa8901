#pragma once
#include <cstdint>

// The messages the install worker and its package steps post to the dialog's window, with their
// wParam and lParam. "the context" is its value only: the worker deletes it after the final
// message, so the window must not read it.
namespace worker_message {
inline constexpr std::uint32_t kInstallSucceeded = 1281;  // 0, 0
inline constexpr std::uint32_t kInstallProgress = 1282;   // position, range
inline constexpr std::uint32_t kInstallStatus = 1283;     // 0, a status note the window takes and frees
inline constexpr std::uint32_t kInstallFailed = 1284;     // 0, the context
inline constexpr std::uint32_t kExpandFailed = 1285;      // 0, the context
inline constexpr std::uint32_t kInstallCancelled = 1286;  // 0, the context
}  // namespace worker_message
