#include "checks/OsCheck.h"

#include "platform/Services.h"

bool IsOSAuthorized(std::wstring&) {
    return true;
}

bool IsWow64() {
    return platform::Os().system->IsWow64();
}
