#include "platform/win32/SystemLibrary.h"

#include <string>

namespace platform {
namespace {

// Not declared for Windows 2000, which lacks them (Windows 8, and Vista and 7 with update KB2533623).
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// Set once, by RestrictDllSearch, before any other thread exists.
bool searchLimitedToSystemFolder = false;

std::wstring SystemFolderPath(const wchar_t* fileName) {
    wchar_t folder[MAX_PATH + 1] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return std::wstring();
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    return path + fileName;
}

}  // namespace

void RestrictDllSearch() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    SetDllDirectoryFunction setDllDirectory = nullptr;
    if (FindFunction(kernel, "SetDllDirectoryW", setDllDirectory)) setDllDirectory(L"");
    SetDefaultDllDirectoriesFunction setDefaultDirectories = nullptr;
    if (FindFunction(kernel, "SetDefaultDllDirectories", setDefaultDirectories))
        searchLimitedToSystemFolder = setDefaultDirectories(kLoadLibrarySearchSystem32) != FALSE;
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    std::wstring path = SystemFolderPath(fileName);
    if (path.empty()) return nullptr;
    // With a full path, the altered search looks for the DLL's own imports in its folder first,
    // not in the program's; where the search is limited, the system folder is all there is.
    DWORD flags = searchLimitedToSystemFolder ? kLoadLibrarySearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    return LoadLibraryExW(path.c_str(), nullptr, flags);
}

}  // namespace platform
