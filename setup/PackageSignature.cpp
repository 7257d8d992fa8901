#include "setup/PackageSignature.h"

#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "platform/Services.h"

namespace {

constexpr std::int32_t TrustStatus(std::uint32_t code) {
    return static_cast<std::int32_t>(code);
}
constexpr std::int32_t kNoSignature = TrustStatus(0x800B0100);        // TRUST_E_NOSIGNATURE
constexpr std::int32_t kUntrustedRoot = TrustStatus(0x800B0109);      // CERT_E_UNTRUSTEDROOT
constexpr std::int32_t kChaining = TrustStatus(0x800B010A);           // CERT_E_CHAINING
constexpr std::int32_t kUntrustedTestRoot = TrustStatus(0x800B010D);  // CERT_E_UNTRUSTEDTESTROOT

}  // namespace

SignatureClass ClassifyTrustStatus(std::int32_t status) {
    switch (status) {
        case 0:
            return kSignatureTrusted;
        case kNoSignature:
            return kSignatureMissing;
        case kUntrustedRoot:
        case kChaining:
        case kUntrustedTestRoot:
            return kSignatureUntrustedRoot;
        default:
            return kSignatureNotAcceptable;
    }
}

SignatureClass VerifyEmbeddedSignature(const std::wstring& path, std::int32_t& status) {
    status = platform::Os().trust->VerifyFile(path);
    return ClassifyTrustStatus(status);
}

bool IsPackageSigned(const std::wstring& path) {
    SetupLog::Write(L"IN-> IsPackageSigned()");
    if (CurrentProcessSettings().packageSignatureCheckSkipped) {
        SetupLog::Write(L"VerifyEmbeddedSignature is skipped");
        SetupLog::Write(L"OUT-> IsPackageSigned() OK");
        return true;
    }
    std::int32_t status = 0;
    SignatureClass verdict = VerifyEmbeddedSignature(path, status);
    bool accepted = verdict == kSignatureTrusted || verdict == kSignatureUntrustedRoot;
    if (!accepted) {
        if (auto text = platform::Os().systemTexts->TextFor(static_cast<std::uint32_t>(status))) SetupLog::Write(*text);
    }
    SetupLog::Write(accepted ? L"OUT-> IsPackageSigned() OK" : L"OUT-> IsPackageSigned() KO");
    return accepted;
}
