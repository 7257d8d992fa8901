#pragma once
#include <cstdint>
#include <string>

#include "http/HttpRequestLimits.h"
#include "setup/InstallContext.h"

// A slice request that receives fewer than kDownloadLeastBytesPerWindow bytes in
// kDownloadStallWindowMilliseconds fails: a stalled server ends the download instead of holding it.
inline constexpr std::uint32_t kDownloadStallWindowMilliseconds = 60000;
inline constexpr std::uint32_t kDownloadLeastBytesPerWindow = 1024;

// Fetches one package file from the download server into the package folder, one 512 KiB slice
// per range request on one connection, posting progress to the context's window (if any) and
// asking the cancel question after a slice when Cancel was pressed.
// 0 done; 2 cancelled by the user; 3 failed (the partial file stays for the worker's clean-up);
// E_FAIL (0x80004005) for a first answer other than 200 or 206; any other value is the HTTP
// client's error for the Content-Range query of a 206 answer, passed on.
// `packageName` (the file name again) is unused; it stays because the four parameters are the
// step's defined interface.
// Each slice takes at most the bytes it asked for; a longer answer fails the download. While Cancel
// waits for its question, a slice that stalls is stopped and the question asked at once ("No" asks
// for the same slice again).
int DownloadPrereqs(const std::wstring& statusText, const std::wstring& fileName, const std::wstring& packageName,
                    InstallContext* context);
// The same with another stall limit (the tests' shorter one).
int DownloadPrereqs(const std::wstring& statusText, const std::wstring& fileName, const std::wstring& packageName,
                    InstallContext* context, const HttpStallLimit& stallLimit);
