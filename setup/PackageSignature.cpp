#include "setup/PackageSignature.h"

#include <algorithm>

#include "core/ProcessSettings.h"
#include "core/SetupLog.h"
#include "core/WidePrintf.h"
#include "platform/Services.h"
#include "setup/SignerCertificate.h"

namespace {

constexpr std::int32_t TrustStatus(std::uint32_t code) {
    return static_cast<std::int32_t>(code);
}
constexpr std::int32_t kNoSignature = TrustStatus(0x800B0100);        // TRUST_E_NOSIGNATURE
constexpr std::int32_t kUntrustedRoot = TrustStatus(0x800B0109);      // CERT_E_UNTRUSTEDROOT
constexpr std::int32_t kChaining = TrustStatus(0x800B010A);           // CERT_E_CHAINING
constexpr std::int32_t kUntrustedTestRoot = TrustStatus(0x800B010D);  // CERT_E_UNTRUSTEDTESTROOT

// The one name a subject gives its publisher: its organisation, or its common name when it has
// none. A subject with two of them names no one publisher.
const std::wstring* PublisherOf(const SignerCertificate& certificate) {
    const std::vector<std::wstring>& names =
        certificate.organisations.empty() ? certificate.commonNames : certificate.organisations;
    return names.size() == 1 ? &names.front() : nullptr;
}

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

SignatureClass VerifyEmbeddedSignature(const std::wstring& path, const platform::HeldFile* package,
                                       std::int32_t& status, std::string& signer) {
    platform::SignatureVerdict verdict = platform::Os().trust->Verify(path, package);
    status = verdict.status;
    signer = std::move(verdict.signerCertificate);
    return ClassifyTrustStatus(status);
}

bool SignerAccepted(SignatureClass verdict, std::string_view signerCertificate, const std::vector<SignerKeyPin>& pins,
                    std::wstring& refusal) {
    std::optional<SignerCertificate> certificate = ReadSignerCertificate(signerCertificate);
    if (!certificate) {
        refusal = L"Setup cannot read the certificate of the package's signer";
        return false;
    }
    const SignerKeyPin key = Sha256(certificate->publicKeyInfo);
    if (std::find(pins.begin(), pins.end(), key) != pins.end()) return true;
    const std::wstring* publisher = PublisherOf(*certificate);
    if (verdict == kSignatureTrusted && publisher != nullptr && *publisher == kPackagePublisher) return true;
    refusal = FormatWidePrintf(L"Package signer \"%s\" (public key %s) is neither the publisher %s nor a pinned signer",
                               {DescribeSigner(*certificate), DigestText(key), std::wstring(kPackagePublisher)});
    return false;
}

bool IsPackageSigned(const std::wstring& path, const platform::HeldFile& package,
                     const std::vector<SignerKeyPin>& pins) {
    SetupLog::Write(L"IN-> IsPackageSigned()");
    if (CurrentProcessSettings().packageSignatureCheckSkipped) {
        SetupLog::Write(L"VerifyEmbeddedSignature is skipped");
        SetupLog::Write(L"OUT-> IsPackageSigned() OK");
        return true;
    }
    std::int32_t status = 0;
    std::string signer;
    SignatureClass verdict = VerifyEmbeddedSignature(path, &package, status, signer);
    bool accepted = false;
    if (verdict == kSignatureTrusted || verdict == kSignatureUntrustedRoot) {
        std::wstring refusal;
        accepted = SignerAccepted(verdict, signer, pins, refusal);
        if (!accepted) SetupLog::Write(refusal);
    } else if (auto text = platform::Os().systemTexts->TextFor(static_cast<std::uint32_t>(status))) {
        SetupLog::Write(*text);
    }
    SetupLog::Write(accepted ? L"OUT-> IsPackageSigned() OK" : L"OUT-> IsPackageSigned() KO");
    return accepted;
}

bool IsPackageSigned(const std::wstring& path, const platform::HeldFile& package) {
    return IsPackageSigned(path, package, PinnedSignerKeys());
}

std::unique_ptr<platform::HeldFile> HoldDownloadedPackage(const std::wstring& path) {
    std::unique_ptr<platform::HeldFile> held = platform::Os().plainFiles->Hold(path);
    if (!held) SetupLog::Write(FormatWidePrintf(L"Cannot hold file %s", {path}));
    return held;
}
