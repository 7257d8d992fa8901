#include <windows.h>

#include <vector>

#include "platform/win32/Win32Parts.h"

namespace platform {
namespace {

class Win32ChildProcess final : public ChildProcess {
public:
    explicit Win32ChildProcess(const PROCESS_INFORMATION& info) : info_(info) {}
    ~Win32ChildProcess() override {
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    ChildExitCode ExitCode() override {
        DWORD code = 0;
        if (!GetExitCodeProcess(info_.hProcess, &code)) return ChildExitCode{false, 0, GetLastError()};
        return ChildExitCode{true, code, 0};
    }
    ChildWait Wait(std::uint32_t milliseconds) override {
        switch (WaitForSingleObject(info_.hProcess, milliseconds)) {
            case WAIT_OBJECT_0:
                return ChildWait::Ended;
            case WAIT_TIMEOUT:
                return ChildWait::TimedOut;
            default:
                return ChildWait::Failed;
        }
    }
    bool Terminate(std::uint32_t exitCode) override { return TerminateProcess(info_.hProcess, exitCode) != FALSE; }

private:
    PROCESS_INFORMATION info_;
};

class Win32ChildProcesses final : public ChildProcesses {
public:
    ChildStart Start(const std::wstring& applicationPath, const std::wstring& commandLine,
                     bool inheritHandles) override {
        // CreateProcessW may write into the command line, so it gets a copy of its own.
        std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
        line.push_back(L'\0');
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.wShowWindow = SW_SHOW;  // not used: no start-up flag asks for it
        PROCESS_INFORMATION info{};
        const wchar_t* application = applicationPath.empty() ? nullptr : applicationPath.c_str();
        if (!CreateProcessW(application, line.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &startup, &info))
            return ChildStart{nullptr, GetLastError()};
        return ChildStart{std::make_unique<Win32ChildProcess>(info), 0};
    }
    std::wstring SystemFolder() const override {
        wchar_t buffer[MAX_PATH + 1] = {};
        UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
        if (length == 0 || length > MAX_PATH) return std::wstring();
        return std::wstring(buffer, length);
    }
    void Pause(std::uint32_t milliseconds) override { Sleep(milliseconds); }
};

class Win32FileRemoval final : public FileRemoval {
public:
    bool RemoveFile(const std::wstring& path) override { return DeleteFileW(path.c_str()) != FALSE; }
    bool RemoveEmptyFolder(const std::wstring& path) override { return RemoveDirectoryW(path.c_str()) != FALSE; }
};

}  // namespace

ChildProcesses& Win32ChildProcessesInstance() {
    static ChildProcesses& instance = *new Win32ChildProcesses;
    return instance;
}

FileRemoval& Win32FileRemovalInstance() {
    static FileRemoval& instance = *new Win32FileRemoval;
    return instance;
}

}  // namespace platform
