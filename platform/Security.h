#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One group of an access token.
struct TokenGroup {
    std::wstring sid;              // "S-1-5-32-544"
    std::uint32_t attributes = 0;  // SE_GROUP_* flags (0x10: deny-only)
};

class Security {
public:
    virtual ~Security() = default;
    // The groups of the current thread's token (or, without one, the process's token), in the
    // token's order; nullopt when the token or its groups cannot be read.
    virtual std::optional<std::vector<TokenGroup>> ReadTokenGroups() const = 0;
};

}  // namespace platform
