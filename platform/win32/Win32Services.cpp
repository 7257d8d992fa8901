#include <windows.h>

#include <share.h>
#include <ctime>
#include <vector>

#include "platform/Services.h"
#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32Environment final : public Environment {
public:
    std::optional<std::wstring> Get(const std::wstring& name) const override {
        // Ask for the size, then read; retry if the value grew in between.
        for (int attempt = 0; attempt < 4; ++attempt) {
            SetLastError(ERROR_SUCCESS);
            DWORD needed = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
            if (needed == 0) {
                if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
                return std::wstring();  // defined and empty
            }
            std::vector<wchar_t> buffer(needed);
            DWORD got = GetEnvironmentVariableW(name.c_str(), buffer.data(), needed);
            if (got == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            if (got < needed) return std::wstring(buffer.data(), got);
        }
        return std::nullopt;
    }
};

class Win32ProcessInfo final : public ProcessInfo {
public:
    std::uint32_t CurrentProcessId() const override { return GetCurrentProcessId(); }
};

class Win32Clock final : public Clock {
public:
    std::optional<LocalTime> LocalNow() const override {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        if (now == static_cast<std::time_t>(-1) || localtime_s(&tm, &now) != 0) return std::nullopt;
        return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    }
};

class Win32UiLanguage final : public UiLanguage {
public:
    LanguageId UserUiLanguage() const override { return GetUserDefaultUILanguage(); }
};

}  // namespace

Services RealServices() {
    static const Services& services = *new Services{new Win32Environment,        &Win32FileSystemInstance(),
                                                    new Win32ProcessInfo,        new Win32Clock,
                                                    new Win32UiLanguage,         &Win32StringResourcesInstance(),
                                                    &Win32DesktopInstance(),     &Win32NamedMutexesInstance(),
                                                    &Win32SecurityInstance(),    &Win32SystemInfoInstance(),
                                                    &Win32DiskSpaceInstance(),   &Win32DisplayInstance(),
                                                    &Win32RegistryInstance(),    &Win32WindowsInstallerInstance(),
                                                    &Win32MsxmlProbeInstance(),  &Win32WindowMessagesInstance(),
                                                    &Win32PlainFilesInstance(),  &Win32SignatureTrustInstance(),
                                                    &Win32SystemTextsInstance(), &Win32ChildProcessesInstance(),
                                                    &Win32FileRemovalInstance()};
    return services;
}

}  // namespace platform
