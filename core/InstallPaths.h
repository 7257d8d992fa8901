#pragma once
#include <cstdint>
#include <string>

// The user's temporary folder (with its trailing backslash) and the per-run package folder under
// it. Set once by the install worker before any package step; only read afterwards. The package
// folder is empty until one has been made.
const std::wstring& TempPath();
const std::wstring& PackageFolder();

// How many package folder names a run tries, from its process id on, before it gives up.
inline constexpr std::uint32_t kPackageFolderAttempts = 10;

// Reads the temporary folder and makes a new, private package folder in it: "KORVOS" with the
// process id, or the next number when that name is taken (by anyone: whatever is there is left
// alone), at most kPackageFolderAttempts names. Logs the folder it made; false, with a log line,
// when it made none.
bool PrepareInstallPaths();

// tempPath + "KORVOS" + the number in decimal + "\".
std::wstring FormatPackageFolder(const std::wstring& tempPath, std::uint32_t number);
