#pragma once
#include <cstdint>
#include <string>

#include "http/HttpRequestLimits.h"

// A version file request that receives fewer than kVersionFileLeastBytesPerWindow bytes in
// kVersionFileStallWindowMilliseconds fails (as any failed download of the file: the setup goes on).
inline constexpr std::uint32_t kVersionFileStallWindowMilliseconds = 60000;
inline constexpr std::uint32_t kVersionFileLeastBytesPerWindow = 1024;

// Stops the setup when the installed product is at least as new as the version the download
// server offers; sets upgradeAvailable of the start-up results. Any trouble with the server's
// version file lets the setup go on; the request takes no more than the largest version file.
bool CheckNeedInstall(std::wstring& failureMessage);
// The same with another stall limit (the tests' shorter one).
bool CheckNeedInstall(std::wstring& failureMessage, const HttpStallLimit& stallLimit);
