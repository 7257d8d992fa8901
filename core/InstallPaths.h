#pragma once
#include <cstdint>
#include <string>

// The user's temporary folder (with its trailing backslash) and the per-run package folder under
// it. Set once by the install worker before any package step; only read afterwards.
const std::wstring& TempPath();
const std::wstring& PackageFolder();

// Reads both paths, creates the package folder (an existing one is fine) and logs it.
void PrepareInstallPaths();

// tempPath + "KORVOS" + the process id in decimal + "\".
std::wstring FormatPackageFolder(const std::wstring& tempPath, std::uint32_t processId);
