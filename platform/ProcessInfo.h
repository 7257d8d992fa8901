#pragma once
#include <cstdint>

namespace platform {

class ProcessInfo {
public:
    virtual ~ProcessInfo() = default;
    virtual std::uint32_t CurrentProcessId() const = 0;
};

}  // namespace platform
