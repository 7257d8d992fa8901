#pragma once
#include "platform/ChildProcesses.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/DiskSpace.h"
#include "platform/Display.h"
#include "platform/Environment.h"
#include "platform/FileRemoval.h"
#include "platform/FileSystem.h"
#include "platform/MsxmlProbe.h"
#include "platform/NamedMutexes.h"
#include "platform/PlainFiles.h"
#include "platform/ProcessInfo.h"
#include "platform/Registry.h"
#include "platform/Security.h"
#include "platform/SignatureTrust.h"
#include "platform/StringResources.h"
#include "platform/SystemInfo.h"
#include "platform/SystemTexts.h"
#include "platform/UiLanguage.h"
#include "platform/WindowMessages.h"
#include "platform/WindowsInstaller.h"

namespace platform {

// Every OS service the setup logic uses. The program runs on the real ones; a test installs fakes
// for the duration of a test with ScopedServices and so stages any machine it needs.
struct Services {
    Environment* environment = nullptr;
    FileSystem* files = nullptr;
    ProcessInfo* process = nullptr;
    Clock* clock = nullptr;
    UiLanguage* language = nullptr;
    StringResources* strings = nullptr;
    Desktop* desktop = nullptr;
    NamedMutexes* mutexes = nullptr;
    Security* security = nullptr;
    SystemInfo* system = nullptr;
    DiskSpace* disk = nullptr;
    Display* display = nullptr;
    Registry* registry = nullptr;
    WindowsInstaller* installer = nullptr;
    MsxmlProbe* msxml = nullptr;
    // The package steps: worker messages, package files, signature verdicts, status texts.
    WindowMessages* windows = nullptr;
    PlainFiles* plainFiles = nullptr;
    SignatureTrust* trust = nullptr;
    SystemTexts* systemTexts = nullptr;
    // The installation steps: child processes (installers, tools) and the package folder's clean-up.
    ChildProcesses* children = nullptr;
    FileRemoval* removal = nullptr;
};

// The services in force. Set once on the user-interface thread before any other thread exists.
Services& Os();

// The operating system's own implementations (Win32 on Windows, POSIX stand-ins elsewhere), made
// on first use and never destroyed.
Services RealServices();

class ScopedServices {
public:
    explicit ScopedServices(const Services& replacement) : saved_(Os()) { Os() = replacement; }
    ~ScopedServices() { Os() = saved_; }
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    Services saved_;
};

}  // namespace platform
