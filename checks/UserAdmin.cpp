#include "checks/UserAdmin.h"

#include "core/SetupLog.h"
#include "platform/Services.h"

bool IsUserAdmin() {
    SetupLog::Write(L"IN-> IsUserAdmin()");
    bool administrator = platform::Os().security->TokenHasAdministratorsGroup();
    SetupLog::Write(L"OUT-> IsUserAdmin()");
    return administrator;
}
