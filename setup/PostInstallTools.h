#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "setup/InstallContext.h"

// The installed product's own tools, found through its registry key.

namespace ExpandTextures {
// Runs the product's texture expansion tool, which reports its progress to the context's window.
// 0 done; 2 cancelled (by the user, or by the tool itself); -2 the tool could not be started or
// watched; any other value is the tool's exit code.
int Expand(const std::wstring& statusText, InstallContext* context);
}  // namespace ExpandTextures

// Runs the graphics optimizer through the product's start tool, for at most a minute.
// 0 done (also when it had to be stopped); -2 it could not be started; otherwise its exit code.
int LaunchGraphicOptimizer();
