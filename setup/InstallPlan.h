#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/MessageIds.h"

// Which packages an install run fetches, in which order, and how each is installed.

// What start-up found out about the machine.
struct MachineNeeds {
    bool runtimeNeeded = false;  // the runtime prerequisites are missing or too old
    bool msxmlNeeded = false;    // MSXML 6 is missing or broken
    bool isWindows60 = false;    // MSXML 6 comes as a system update there
    bool wow64 = false;          // 64-bit Windows
};

struct PlannedPackage {
    std::wstring fileName;
    MessageId downloadStatus;
    MessageId installStatus;
    bool isProduct = false;      // installed with the product's properties, removed again on a cancel
    bool updatePackage = false;  // installed by the update installer, not Windows Installer
};

// Runtime prerequisites, then MSXML 6, each only when needed; the product always, last.
std::vector<PlannedPackage> ChoosePackages(const MachineNeeds& needs);

// The longest KORVO_NOEXPAND value that counts: the program reads the variable into a buffer of
// this many characters with its terminator, and a longer value is not read at all.
inline constexpr std::size_t kNoExpandCapacity = 32;

// True when KORVO_NOEXPAND asks to skip the texture expansion: set, not empty, and short enough
// to be read.
bool TextureExpansionSkipped(const std::optional<std::wstring>& noExpand);
