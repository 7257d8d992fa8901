#pragma once
#include <optional>
#include <string>

namespace platform {

// Numbered texts stored with the program. The loader chooses the language (the user's, with a
// fallback), never the caller.
class StringResources {
public:
    virtual ~StringResources() = default;
    // nullopt when the entry does not exist.
    virtual std::optional<std::wstring> Load(unsigned id) const = 0;
};

}  // namespace platform
