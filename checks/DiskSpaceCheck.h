#pragma once
#include <optional>
#include <string>
#include <vector>

#include "checks/CheckTexts.h"
#include "platform/DiskSpace.h"

// Is there room for the installation on the Program Files volume? An upgrade (as the server
// version check found) needs less room than a first installation.
bool IsEnoughDiskSpace(bool upgradeAvailable, std::wstring& failureMessage);

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
