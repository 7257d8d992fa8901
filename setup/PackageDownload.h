#pragma once
#include <string>

#include "setup/InstallContext.h"

// Fetches one package file from the download server into the package folder, one 512 KiB slice
// per range request on one connection, posting progress to the context's window (if any) and
// asking the cancel question after a slice when Cancel was pressed.
// 0 done; 2 cancelled by the user; 3 failed (the partial file stays for the worker's clean-up);
// E_FAIL (0x80004005) for a first answer other than 200 or 206; any other value is the HTTP
// client's error for the Content-Range query of a 206 answer, passed on.
// `packageName` names the package for the caller only; it is not used here.
int DownloadPrereqs(const std::wstring& statusText, const std::wstring& fileName, const std::wstring& packageName,
                    InstallContext* context);
