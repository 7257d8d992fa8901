#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// One display device as the system enumerates it.
struct DisplayDevice {
    std::uint32_t stateFlags = 0;  // 1 attached to desktop, 4 primary, 8 mirroring driver
    std::wstring deviceKey;        // the driver's registry key, "\Registry\Machine\..."
};

class Display {
public:
    virtual ~Display() = default;
    // Devices 0, 1, 2 ... up to the first index the system refuses.
    virtual std::vector<DisplayDevice> Devices() const = 0;
};

}  // namespace platform
