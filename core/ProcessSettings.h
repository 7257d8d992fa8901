#pragma once
#include <optional>
#include <string>

namespace platform {
class Environment;
}

// Every environment variable the program reads, named here and nowhere else. (The threading
// library reads its own trace and threading switches, "VolThrDebug" and the like, itself.)
namespace setting_names {
inline constexpr wchar_t kDownloadServer[] = L"KORVOSkelv_Server";
inline constexpr wchar_t kSocketDriver[] = L"HTTPDriver";
inline constexpr wchar_t kProxy[] = L"Proxy";
inline constexpr wchar_t kHttpPut[] = L"VolHTTPPUT";
inline constexpr wchar_t kReplayPurify[] = L"ReplayPurify";
inline constexpr wchar_t kReplayPurcov[] = L"ReplayPurcov";
inline constexpr wchar_t kMsxmlWithoutFatalErrorTest[] = L"VolMSXMLPreqRX21";
inline constexpr wchar_t kNoPackageSignatureCheck[] = L"NO_CHECK_PACKAGE_SIGNED";
inline constexpr wchar_t kNoTextureExpansion[] = L"KORVO_NOEXPAND";
inline constexpr wchar_t kLaunchId[] = L"Appli_LaunchId";
}  // namespace setting_names

// The values of those variables, read in one go. An absent variable and an empty one differ: a
// variable "set to anything" counts even when its value is empty.
struct ProcessSettings {
    // KORVOSkelv_Server: the download server (host, optionally ":port"), whole and untrimmed.
    std::optional<std::wstring> downloadServer{};
    // HTTPDriver set: the socket driver instead of WinINet.
    bool socketDriverRequested = false;
    // Proxy: the proxy host of the socket driver.
    std::optional<std::wstring> proxy{};
    // VolHTTPPUT set: Head no longer reports files as writable.
    bool httpPutConfigured = false;
    // ReplayPurify / ReplayPurcov set: the program runs under a memory or coverage checker, and the
    // MSXML 6.0 checker reports success without probing.
    bool replayPurify = false;
    bool replayPurcov = false;
    // VolMSXMLPreqRX21 set: the MSXML 6.0 checker leaves out its SAX fatal-error test.
    bool msxmlFatalErrorTestSkipped = false;
    // NO_CHECK_PACKAGE_SIGNED set (to anything, "0" included): packages are accepted unverified.
    bool packageSignatureCheckSkipped = false;
    // KORVO_NOEXPAND: whole; the install worker decides which values skip the texture expansion.
    std::optional<std::wstring> noTextureExpansion{};
    // Appli_LaunchId: whole, however long; without it the installed product is not started.
    std::optional<std::wstring> launchId{};
};

ProcessSettings ReadProcessSettings(const platform::Environment& environment);

// The settings in force: those a test installed with ScopedProcessSettings, otherwise the
// process's own, read from the process environment on first use and kept, unchanged, until the
// process has ended.
const ProcessSettings& CurrentProcessSettings();

// Puts `values` in force for the lifetime of this object (tests). Installed before the threads that
// read them start, removed after they end.
class ScopedProcessSettings {
public:
    explicit ScopedProcessSettings(ProcessSettings values);
    ~ScopedProcessSettings();
    ScopedProcessSettings(const ScopedProcessSettings&) = delete;
    ScopedProcessSettings& operator=(const ScopedProcessSettings&) = delete;

private:
    ProcessSettings values_;
    const ProcessSettings* saved_;
};
