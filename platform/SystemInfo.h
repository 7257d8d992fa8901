#pragma once
#include <cstdint>
#include <optional>

namespace platform {

// The fields of the system's version record that the setup judges.
struct OsVersionRecord {
    std::uint32_t platformId = 0;  // 2: the Windows NT family
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint16_t servicePackMajor = 0;
    std::uint8_t productType = 0;  // 1: workstation; 0 when only the short record could be read
};

// Version, platform and processor questions about the running system.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // The extended version record, or the short one when the system refuses the extended size;
    // nullopt when neither can be read.
    virtual std::optional<OsVersionRecord> ReadVersion() const = 0;
    // The system's own verdict on "service pack major number >= required".
    virtual bool ServicePackAtLeast(std::uint16_t required) const = 0;
    // The processor architecture of the native system (9: x64); nullopt when the system has no
    // way to tell it (older than Windows XP).
    virtual std::optional<std::uint16_t> NativeProcessorArchitecture() const = 0;
    // Does this 32-bit process run on 64-bit Windows? Every failure reads as false.
    virtual bool IsWow64() const = 0;
};

}  // namespace platform
