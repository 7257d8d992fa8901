#include <windows.h>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

// The extended record first; systems before Windows NT 4 SP6 know only the short one.
static_assert(sizeof(OSVERSIONINFOEXW) == 284, "extended version record");
static_assert(sizeof(OSVERSIONINFOW) == 276, "short version record");

// Newer than Windows 2000 (GetNativeSystemInfo) or than XP's first release (IsWow64Process):
// looked up, never imported.
using GetNativeSystemInfoFunction = void(WINAPI*)(SYSTEM_INFO*);
using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, BOOL*);

template <typename Function>
Function LookUp(const char* module, const char* name) {
    HMODULE handle = GetModuleHandleA(module);
    if (handle == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

class Win32SystemInfo final : public SystemInfo {
public:
    std::optional<OsVersionRecord> ReadVersion() const override {
        OSVERSIONINFOEXW info;
        ZeroMemory(&info, sizeof(info));
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
            info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
            if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return std::nullopt;
        }
        return OsVersionRecord{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.wServicePackMajor,
                               info.wProductType};
    }

    bool ServicePackAtLeast(std::uint16_t required) const override {
        OSVERSIONINFOEXW wanted;
        ZeroMemory(&wanted, sizeof(wanted));
        wanted.dwOSVersionInfoSize = sizeof(wanted);
        wanted.wServicePackMajor = required;
        ULONGLONG condition = VerSetConditionMask(0, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
        return VerifyVersionInfoW(&wanted, VER_SERVICEPACKMAJOR, condition) != FALSE;
    }

    std::optional<std::uint16_t> NativeProcessorArchitecture() const override {
        auto getNativeSystemInfo = LookUp<GetNativeSystemInfoFunction>("kernel32.dll", "GetNativeSystemInfo");
        if (getNativeSystemInfo == nullptr) return std::nullopt;
        SYSTEM_INFO info;
        ZeroMemory(&info, sizeof(info));
        getNativeSystemInfo(&info);
        return info.wProcessorArchitecture;
    }

    bool IsWow64() const override {
#ifdef _WIN64
        return true;  // a 64-bit build runs on 64-bit Windows only
#else
        auto isWow64Process = LookUp<IsWow64ProcessFunction>("kernel32", "IsWow64Process");
        if (isWow64Process == nullptr) return false;
        BOOL wow64 = FALSE;
        isWow64Process(GetCurrentProcess(), &wow64);  // a failed call leaves the flag false
        return wow64 == TRUE;
#endif
    }
};

}  // namespace

SystemInfo& Win32SystemInfoInstance() {
    static SystemInfo& instance = *new Win32SystemInfo;
    return instance;
}

}  // namespace platform
