#pragma once
#include <cstdint>
#include <string>

// What the system's verdict on a package's signature means to the setup.
enum SignatureClass : int {
    kSignatureTrusted = 1,        // signed, signature and chain trusted
    kSignatureMissing = 2,        // no signature
    kSignatureUntrustedRoot = 4,  // signed, chain ends in an untrusted or test root, or cannot be built
    kSignatureNotAcceptable = 8,  // anything else
};

// The class of a verify status.
SignatureClass ClassifyTrustStatus(std::int32_t status);

// Asks the system to verify the file's embedded signature (no user interface, no revocation
// checks); `status` receives its raw answer.
SignatureClass VerifyEmbeddedSignature(const std::wstring& path, std::int32_t& status);

// True when the package may be installed: its signature is trusted, or signed under an untrusted
// root, or NO_CHECK_PACKAGE_SIGNED is set. A refusal logs the system's text for the status.
bool IsPackageSigned(const std::wstring& path);
