#pragma once
#include <string>

// Stops the setup when the installed product is at least as new as the version the download
// server offers; sets upgradeAvailable of the start-up results. Any trouble with the server's
// version file lets the setup go on.
bool CheckNeedInstall(std::wstring& failureMessage);
