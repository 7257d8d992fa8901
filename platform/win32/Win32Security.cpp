#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

// "S-<revision>-<authority>-<sub-authority>...", the authority in decimal. Two SIDs give the same
// text exactly when EqualSid calls them equal.
std::wstring SidText(PSID sid) {
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    unsigned long long authorityValue = 0;
    for (BYTE part : authority->Value) authorityValue = (authorityValue << 8) | part;
    std::wstring text =
        L"S-" + std::to_wstring(static_cast<SID*>(sid)->Revision) + L"-" + std::to_wstring(authorityValue);
    UCHAR count = *GetSidSubAuthorityCount(sid);
    for (UCHAR i = 0; i < count; ++i) text += L"-" + std::to_wstring(*GetSidSubAuthority(sid, i));
    return text;
}

std::optional<std::vector<TokenGroup>> ReadGroups(HANDLE token) {
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenGroups, nullptr, 0, &size) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::nullopt;
    HGLOBAL block = GlobalAlloc(GPTR, size);  // GPTR = fixed, zero-filled
    if (block == nullptr) return std::nullopt;
    auto* groups = static_cast<TOKEN_GROUPS*>(block);
    std::optional<std::vector<TokenGroup>> result;
    if (GetTokenInformation(token, TokenGroups, groups, size, &size)) {
        result.emplace();
        for (DWORD i = 0; i < groups->GroupCount; ++i)
            result->push_back(TokenGroup{SidText(groups->Groups[i].Sid), groups->Groups[i].Attributes});
    }
    GlobalFree(block);
    return result;
}

class Win32Security final : public Security {
public:
    std::optional<std::vector<TokenGroup>> ReadTokenGroups() const override {
        HANDLE token = nullptr;
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
            if (GetLastError() != ERROR_NO_TOKEN) return std::nullopt;
            if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
        }
        std::optional<std::vector<TokenGroup>> groups = ReadGroups(token);
        CloseHandle(token);
        return groups;
    }
};

}  // namespace

Security& Win32SecurityInstance() {
    static Win32Security& instance = *new Win32Security;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
