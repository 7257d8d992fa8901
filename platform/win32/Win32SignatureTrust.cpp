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

// WinTrust's functions, from wintrust.dll in the system folder.
struct TrustFunctions {
    decltype(&::WinVerifyTrust) verifyTrust = nullptr;
    decltype(&::WTHelperProvDataFromStateData) providerData = nullptr;
    decltype(&::WTHelperGetProvSignerFromChain) signerFromChain = nullptr;
};

const TrustFunctions& Trust() {
    static const TrustFunctions functions = [] {
        TrustFunctions found;
        HMODULE wintrust = LoadSystemLibrary(L"wintrust.dll");
        FindFunction(wintrust, "WinVerifyTrust", found.verifyTrust);
        FindFunction(wintrust, "WTHelperProvDataFromStateData", found.providerData);
        FindFunction(wintrust, "WTHelperGetProvSignerFromChain", found.signerFromChain);
        return found;
    }();
    return functions;
}

// The first signer's own certificate from the verification state, as the check saw it.
std::string SignerCertificate(HANDLE state) {
    if (state == nullptr || Trust().providerData == nullptr || Trust().signerFromChain == nullptr) return {};
    CRYPT_PROVIDER_DATA* provider = Trust().providerData(state);
    if (provider == nullptr) return {};
    CRYPT_PROVIDER_SGNR* signer = Trust().signerFromChain(provider, 0, FALSE, 0);
    if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr) return {};
    PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
    if (certificate == nullptr || certificate->pbCertEncoded == nullptr) return {};
    return std::string(reinterpret_cast<const char*>(certificate->pbCertEncoded), certificate->cbCertEncoded);
}

class Win32SignatureTrust final : public SignatureTrust {
public:
    SignatureVerdict Verify(const std::wstring& path, const HeldFile* held) override {
        auto verifyTrust = Trust().verifyTrust;
        if (verifyTrust == nullptr)
            return SignatureVerdict{static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)), {}};
        WINTRUST_FILE_INFO file = {};
        file.cbStruct = kFileInfoSize;
        file.pcwszFilePath = path.c_str();
        // The held package itself is read, so that the verdict is on the file that will be installed.
        file.hFile = held != nullptr ? static_cast<HANDLE>(held->SystemHandle()) : nullptr;

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
        SignatureVerdict verdict;
        verdict.status = static_cast<std::int32_t>(verifyTrust(noInteractiveUser, &action, &data));
        verdict.signerCertificate = SignerCertificate(data.hWVTStateData);

        // The verify action leaves state behind for the caller; a second call releases it.
        data.dwStateAction = WTD_STATEACTION_CLOSE;
        verifyTrust(noInteractiveUser, &action, &data);
        return verdict;
    }
};

}  // namespace

SignatureTrust& Win32SignatureTrustInstance() {
    static Win32SignatureTrust& instance = *new Win32SignatureTrust;  // never destroyed, like every real service
    return instance;
}

}  // namespace platform
