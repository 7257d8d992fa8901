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

class Win32ExclusiveFile final : public ExclusiveFile {
public:
    explicit Win32ExclusiveFile(HANDLE file) : file_(file) {}
    ~Win32ExclusiveFile() override { Close(); }
    bool Write(const char* bytes, std::size_t count) override {
        while (count > 0) {
            DWORD chunk = count > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count);
            DWORD written = 0;
            if (!WriteFile(file_, bytes, chunk, &written, nullptr) || written == 0) return false;
            bytes += written;
            count -= written;
        }
        return true;
    }
    bool Close() override {
        if (file_ == INVALID_HANDLE_VALUE) return true;
        bool ok = FlushFileBuffers(file_) != FALSE;
        ok = CloseHandle(file_) != FALSE && ok;
        file_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE file_;
};

class Win32FileSystem final : public FileSystem {
public:
    std::optional<std::wstring> TempFolder(std::size_t maxChars) const override {
        std::vector<wchar_t> buffer(maxChars + 1);
        DWORD got = GetTempPathW(static_cast<DWORD>(maxChars), buffer.data());
        if (got == 0 || got >= maxChars) return std::nullopt;
        return std::wstring(buffer.data(), got);
    }
    std::unique_ptr<ExclusiveFile> OpenExclusive(const std::wstring& path, OpenMode mode) override {
        // Share mode 0: while we hold the file nobody else can open it, for reading or writing.
        DWORD disposition = mode == OpenMode::Truncate ? CREATE_ALWAYS : OPEN_ALWAYS;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return nullptr;
        if (SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
            CloseHandle(file);
            return nullptr;
        }
        return std::make_unique<Win32ExclusiveFile>(file);
    }
    bool CreateFolder(const std::wstring& path) override { return CreateDirectoryW(path.c_str(), nullptr) != FALSE; }
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
    static const Services& services = *new Services{new Win32Environment,        new Win32FileSystem,
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
