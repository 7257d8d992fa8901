#include <windows.h>

#include <vector>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32Security final : public Security {
public:
    bool TokenHasAdministratorsGroup() const override {
        HANDLE token = nullptr;
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
            if (GetLastError() != ERROR_NO_TOKEN) return false;
            if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
        }
        bool member = TokenListsAdministrators(token);
        CloseHandle(token);
        return member;
    }

private:
    static bool TokenListsAdministrators(HANDLE token) {
        DWORD size = 0;
        if (!GetTokenInformation(token, TokenGroups, nullptr, 0, &size) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
        HGLOBAL block = GlobalAlloc(GPTR, size);  // GPTR = fixed, zero-filled
        if (block == nullptr) return false;
        auto* groups = static_cast<TOKEN_GROUPS*>(block);
        bool member = false;
        SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
        PSID administrators = nullptr;
        if (GetTokenInformation(token, TokenGroups, groups, size, &size) &&
            AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                     0, 0, &administrators)) {
            // Any listing counts, deny-only included: an elevation-filtered administrator passes.
            for (DWORD i = 0; i < groups->GroupCount && !member; ++i)
                member = EqualSid(administrators, groups->Groups[i].Sid) != FALSE;
        }
        if (administrators != nullptr) FreeSid(administrators);
        GlobalFree(block);
        return member;
    }
};

}  // namespace

Security& Win32SecurityInstance() {
    static Win32Security& instance = *new Win32Security;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
