#pragma once
#include <string>

// Is there room for the installation on the Program Files volume? The room needed depends on
// upgradeAvailable of the start-up results, so the server version check must run first.
bool IsEnoughDiskSpace(std::wstring& failureMessage);
