#pragma once
#include <windows.h>

namespace platform {

// True when the open file is an ordinary file with a single name: not a reparse point (a symbolic
// link, a junction) and not one of several hard links to the same data. Only such a file can be
// written or installed by the elevated setup without acting on some other file. `file` must have
// been opened with FILE_FLAG_OPEN_REPARSE_POINT, so that it is the link itself when there is one.
bool IsSingleNamedPlainFile(HANDLE file);

// CreateFileW flags for a file that must not be reached through a link.
inline constexpr DWORD kNoLinkFollowing = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;

}  // namespace platform
