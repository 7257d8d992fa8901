#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The system's verdict on a file's embedded Authenticode signature.
class SignatureTrust {
public:
    virtual ~SignatureTrust() = default;
    // The status of the generic verify action (0: signed and trusted) for the file at `path`,
    // asked without user interface and without revocation checks.
    virtual std::int32_t VerifyFile(const std::wstring& path) = 0;
};

}  // namespace platform
