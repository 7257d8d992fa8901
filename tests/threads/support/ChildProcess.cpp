#include "tests/threads/support/ChildProcess.h"

#include "tests/threads/support/ProcessId.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

namespace fs = std::filesystem;

void SetVariable(const std::string& name, const std::string& value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void ClearVariable(const std::string& name) {
#ifdef _WIN32
    SetEnvironmentVariableA(name.c_str(), nullptr);
#else
    unsetenv(name.c_str());
#endif
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);  // text mode: line ends read as "\n" everywhere
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

#ifdef _WIN32
HANDLE InheritableFile(const fs::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The child's standard streams go straight to the two files; no shell in between.
int Launch(const std::string& scenario, const fs::path& outPath, const fs::path& errPath) {
    HANDLE out = InheritableFile(outPath);
    HANDLE err = InheritableFile(errPath);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    std::string commandLine = "vol_threads_child.exe " + scenario;
    int exitCode = -1;
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    return exitCode;
}
#else
int Launch(const std::string& scenario, const fs::path& outPath, const fs::path& errPath) {
    const std::string command =
        "./vol_threads_child " + scenario + " >\"" + outPath.string() + "\" 2>\"" + errPath.string() + "\"";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

}  // namespace

ChildResult RunThreadsChild(const std::string& scenario, const Environment& environment) {
    static std::atomic<int> counter{0};
    const std::string stem = "vol_child_" + std::to_string(TestProcessId()) + "_" + std::to_string(counter++);
    const fs::path outPath = fs::temp_directory_path() / (stem + ".out");
    const fs::path errPath = fs::temp_directory_path() / (stem + ".err");
    for (const auto& [name, value] : environment) SetVariable(name, value);
    ChildResult result;
    result.exitCode = Launch(scenario, outPath, errPath);
    for (const auto& [name, value] : environment) ClearVariable(name);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    std::error_code ignored;
    fs::remove(outPath, ignored);
    fs::remove(errPath, ignored);
    return result;
}
