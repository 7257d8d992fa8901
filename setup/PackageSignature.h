#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PlainFiles.h"
#include "setup/Sha256.h"

// What the system's verdict on a package's signature means to the setup.
enum SignatureClass : int {
    kSignatureTrusted = 1,        // signed, signature and chain trusted
    kSignatureMissing = 2,        // no signature
    kSignatureUntrustedRoot = 4,  // signed, chain ends in an untrusted or test root, or cannot be built
    kSignatureNotAcceptable = 8,  // anything else
};

// The publisher a signer with a trusted chain must be: the subject's organisation (O) or, for a
// subject without one, its common name (CN), exactly.
inline constexpr wchar_t kPackagePublisher[] = L"Halvorsk";

// A signer's public key, pinned: the SHA-256 of its DER SubjectPublicKeyInfo.
using SignerKeyPin = Sha256Digest;

// The class of a verify status.
SignatureClass ClassifyTrustStatus(std::int32_t status);

// Asks the system to verify the embedded signature of the package at `path` as `package` holds it
// (no user interface, no revocation checks); `status` receives its raw answer, `signer` the
// signer's certificate (DER; empty when none was read).
SignatureClass VerifyEmbeddedSignature(const std::wstring& path, const platform::HeldFile* package,
                                       std::int32_t& status, std::string& signer);

// Whether a signature the system found valid (class 1 or 4) comes from a signer the setup takes:
// one whose public key is pinned (either class), or, with a trusted chain (class 1) only, one that
// names the publisher. Over plain HTTP anyone on the way can serve a package signed with a
// certificate of their own making, and Windows calls such a chain untrusted while Wine calls it
// trusted. `refusal` is the log line for a refused signer.
bool SignerAccepted(SignatureClass verdict, std::string_view signerCertificate, const std::vector<SignerKeyPin>& pins,
                    std::wstring& refusal);

// True when the package may be installed: NO_CHECK_PACKAGE_SIGNED is set, or its signature is
// valid and its signer accepted (SignerAccepted with `pins`). A refusal logs the system's text for
// the status, or a line naming the signer.
bool IsPackageSigned(const std::wstring& path, const platform::HeldFile& package,
                     const std::vector<SignerKeyPin>& pins);
// The same with the signers this build pins.
bool IsPackageSigned(const std::wstring& path, const platform::HeldFile& package);

// The downloaded package, held for its verification and installation (platform::PlainFiles::Hold);
// null, with the line "Cannot hold file %s", when it cannot be held.
std::unique_ptr<platform::HeldFile> HoldDownloadedPackage(const std::wstring& path);

// The signer keys the build pins (CMake's KORVO_PINNED_SIGNER_KEYS, and the build's own demo signer
// unless KORVO_PIN_DEMO_SIGNER is off).
const std::vector<SignerKeyPin>& PinnedSignerKeys();
