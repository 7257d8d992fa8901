#include "checks/UserAdmin.h"

#include "core/SetupLog.h"
#include "platform/Services.h"

namespace {

constexpr wchar_t kBuiltinAdministratorsSid[] = L"S-1-5-32-544";

}  // namespace

bool ListsAdministrators(const std::vector<platform::TokenGroup>& groups) {
    for (const platform::TokenGroup& group : groups)
        if (group.sid == kBuiltinAdministratorsSid) return true;
    return false;
}

bool IsUserAdmin() {
    SetupLog::Write(L"IN-> IsUserAdmin()");
    std::optional<std::vector<platform::TokenGroup>> groups = platform::Os().security->ReadTokenGroups();
    bool administrator = groups && ListsAdministrators(*groups);
    SetupLog::Write(L"OUT-> IsUserAdmin()");
    return administrator;
}
