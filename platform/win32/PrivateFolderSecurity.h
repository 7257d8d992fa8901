#pragma once
#include <string>

namespace platform {

// The package folder's security descriptor, in the system's descriptor language: full control for
// the system and Administrators, reading for `userSid` ("S-1-5-21-..."), inherited by everything
// made inside, and protected, so that nothing is inherited from the user-writable temporary folder
// above it. Empty when `userSid` is.
std::wstring PrivateFolderSecurity(const std::wstring& userSid);

// The current process's user account as descriptor text; empty when it cannot be read.
std::wstring CurrentUserSid();

}  // namespace platform
