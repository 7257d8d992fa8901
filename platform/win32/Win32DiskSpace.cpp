#include <windows.h>
#include <shlobj.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

// SHGetFolderPathW is in Windows 2000's shell32, so it is imported directly.
class Win32DiskSpace final : public DiskSpace {
public:
    std::wstring ProgramFilesFolder() const override {
        wchar_t folder[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
        folder[MAX_PATH - 1] = L'\0';
        return folder;
    }

    FreeSpaceAnswer FreeSpace(const std::wstring& folder) const override {
        ULARGE_INTEGER availableToCaller;
        availableToCaller.QuadPart = 0;
        if (!GetDiskFreeSpaceExW(folder.c_str(), &availableToCaller, nullptr, nullptr))
            return FreeSpaceAnswer{false, 0, GetLastError()};
        return FreeSpaceAnswer{true, availableToCaller.QuadPart, 0};
    }
};

}  // namespace

DiskSpace& Win32DiskSpaceInstance() {
    static DiskSpace& instance = *new Win32DiskSpace;
    return instance;
}

}  // namespace platform
