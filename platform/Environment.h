#pragma once
#include <optional>
#include <string>

namespace platform {

// Process environment variables. An absent variable and an empty one are different answers.
class Environment {
public:
    virtual ~Environment() = default;
    // The whole value, however long; nullopt when the variable is not defined.
    virtual std::optional<std::wstring> Get(const std::wstring& name) const = 0;
};

}  // namespace platform
