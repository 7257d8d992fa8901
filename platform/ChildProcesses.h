#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// What a wait for a child answered: it has ended, the time ran out, or the wait itself failed.
enum class ChildWait { Ended, TimedOut, Failed };

// The exit code as the system reports it: 259 while the child runs (and also for a child that
// really exited with 259); `error` is the system error code when it cannot be read.
struct ChildExitCode {
    bool read = false;
    std::uint32_t code = 0;
    std::uint32_t error = 0;
};

// A started child process. Destroying it closes its process and thread handles; the child itself
// keeps running.
class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    virtual ChildExitCode ExitCode() = 0;
    virtual ChildWait Wait(std::uint32_t milliseconds) = 0;
    virtual bool Terminate(std::uint32_t exitCode) = 0;
};

// A child, or the system error code of the failed start.
struct ChildStart {
    std::unique_ptr<ChildProcess> child;
    std::uint32_t error = 0;
};

// Child processes of the package steps, started without a window, with the parent's environment
// and current directory, and watched by polling.
class ChildProcesses {
public:
    virtual ~ChildProcesses() = default;
    // `applicationPath` names the program to run (empty: the first token of the command line,
    // found through the system's search path); `commandLine` is what the child sees.
    virtual ChildStart Start(const std::wstring& applicationPath, const std::wstring& commandLine,
                             bool inheritHandles) = 0;
    // The system folder ("C:\Windows\system32"), without a trailing separator.
    virtual std::wstring SystemFolder() const = 0;
    // Pauses the calling thread (the worker's short pauses between its steps).
    virtual void Pause(std::uint32_t milliseconds) = 0;
};

}  // namespace platform
