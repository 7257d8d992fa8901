#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32SystemInfo final : public SystemInfo {
public:
    std::optional<OsVersionRecord> ReadVersion() const override { return std::nullopt; }
    bool ServicePackAtLeast(std::uint16_t) const override { return false; }
    std::optional<std::uint16_t> NativeProcessorArchitecture() const override { return std::nullopt; }
    bool IsWow64() const override { return false; }
};

}  // namespace

SystemInfo& Win32SystemInfoInstance() {
    static SystemInfo& instance = *new Win32SystemInfo;
    return instance;
}

}  // namespace platform
