#include "platform/win32/FileIdentity.h"

namespace platform {

bool IsSingleNamedPlainFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return false;
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    return (info.dwFileAttributes & kNotPlain) == 0 && info.nNumberOfLinks == 1;
}

}  // namespace platform
