#include <windows.h>
// windows.h first: the trust headers build on it.
#include <softpub.h>
#include <wintrust.h>

#include <cstddef>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

// The records as Windows 2000 defines them: later SDKs append fields that older systems refuse
// to see counted in the size.
constexpr DWORD kFileInfoSize = offsetof(WINTRUST_FILE_INFO, pgKnownSubject) + sizeof(GUID*);
constexpr DWORD kTrustDataSize = offsetof(WINTRUST_DATA, dwUIContext) + sizeof(DWORD);

// WinTrust's verify call, from wintrust.dll in the system folder.
decltype(&::WinVerifyTrust) VerifyTrustFunction() {
    static decltype(&::WinVerifyTrust) const function = [] {
        decltype(&::WinVerifyTrust) found = nullptr;
        FindFunction(LoadSystemLibrary(L"wintrust.dll"), "WinVerifyTrust", found);
        return found;
    }();
    return function;
}

class Win32SignatureTrust final : public SignatureTrust {
public:
    std::int32_t VerifyFile(const std::wstring& path) override {
        auto verifyTrust = VerifyTrustFunction();
        if (verifyTrust == nullptr) return static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
        WINTRUST_FILE_INFO file = {};
        file.cbStruct = kFileInfoSize;
        file.pcwszFilePath = path.c_str();

        WINTRUST_DATA data = {};
        data.cbStruct = kTrustDataSize;
        data.dwUIChoice = WTD_UI_NONE;
        data.fdwRevocationChecks = WTD_REVOKE_NONE;
        data.dwUnionChoice = WTD_CHOICE_FILE;
        data.pFile = &file;
        data.dwStateAction = WTD_STATEACTION_VERIFY;
        data.dwProvFlags = WTD_REVOCATION_CHECK_NONE;

        GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
        HWND noInteractiveUser = static_cast<HWND>(INVALID_HANDLE_VALUE);
        LONG status = verifyTrust(noInteractiveUser, &action, &data);

        // The verify action leaves state behind for the caller; a second call releases it.
        data.dwStateAction = WTD_STATEACTION_CLOSE;
        verifyTrust(noInteractiveUser, &action, &data);
        return static_cast<std::int32_t>(status);
    }
};

}  // namespace

SignatureTrust& Win32SignatureTrustInstance() {
    static Win32SignatureTrust& instance = *new Win32SignatureTrust;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
