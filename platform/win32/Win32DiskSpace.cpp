#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32DiskSpace final : public DiskSpace {
public:
    std::wstring ProgramFilesFolder() const override { return {}; }
    FreeSpaceAnswer FreeSpace(const std::wstring&) const override { return {}; }
};

}  // namespace

DiskSpace& Win32DiskSpaceInstance() {
    static DiskSpace& instance = *new Win32DiskSpace;
    return instance;
}

}  // namespace platform
