#pragma once
#include <optional>
#include <string>
#include <vector>

#include "checks/CheckTexts.h"
#include "platform/DiskSpace.h"

// Is there room for the installation on the Program Files volume? The room needed depends on
// upgradeAvailable of the start-up results, so the server version check must run first.
bool IsEnoughDiskSpace(std::wstring& failureMessage);

struct DiskFacts {
    bool upgradeAvailable = false;
    std::wstring programFilesFolder;      // empty: the system could not tell it
    platform::FreeSpaceAnswer freeSpace;  // not asked without a folder
};

struct DiskVerdict {
    bool enough = false;
    std::optional<std::wstring> failureMessage;  // nullopt: leave it as it is
    std::vector<std::wstring> logLines;
};
DiskVerdict DecideDiskSpace(const DiskFacts& facts, TextLoader loadText);
