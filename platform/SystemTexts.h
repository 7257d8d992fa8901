#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The texts the system keeps for its status codes.
class SystemTexts {
public:
    virtual ~SystemTexts() = default;
    // The system's text for `status` in its default language, unchanged (usually ending with a line
    // break); nullopt when the system has none.
    virtual std::optional<std::wstring> TextFor(std::uint32_t status) const = 0;
};

}  // namespace platform
