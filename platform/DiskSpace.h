#pragma once
#include <cstdint>
#include <string>

namespace platform {

struct FreeSpaceAnswer {
    bool ok = false;
    std::uint64_t bytesAvailableToCaller = 0;  // honours the caller's disk quota
    std::uint32_t error = 0;                   // the system's error code when !ok
};

class DiskSpace {
public:
    virtual ~DiskSpace() = default;
    // The Program Files folder; empty when the system cannot tell it.
    virtual std::wstring ProgramFilesFolder() const = 0;
    virtual FreeSpaceAnswer FreeSpace(const std::wstring& folder) const = 0;
};

}  // namespace platform
