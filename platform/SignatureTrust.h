#pragma once
#include <cstdint>
#include <string>

#include "platform/PlainFiles.h"

namespace platform {

// The system's answer on a file's embedded Authenticode signature.
struct SignatureVerdict {
    std::int32_t status = 0;        // the generic verify action's status (0: signed and trusted)
    std::string signerCertificate;  // the signer's certificate (DER), empty when none could be read
};

// The system's verdict on a file's embedded Authenticode signature.
class SignatureTrust {
public:
    virtual ~SignatureTrust() = default;
    // Verifies the file at `path`, read through `file` (the held package) when given, without user
    // interface and without revocation checks.
    virtual SignatureVerdict Verify(const std::wstring& path, const HeldFile* file) = 0;
};

}  // namespace platform
