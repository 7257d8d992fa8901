#pragma once
#include "platform/Services.h"

// The Win32 implementations that live in files of their own.
namespace platform {

FileSystem& Win32FileSystemInstance();
StringResources& Win32StringResourcesInstance();
Desktop& Win32DesktopInstance();
NamedMutexes& Win32NamedMutexesInstance();
Security& Win32SecurityInstance();
SystemInfo& Win32SystemInfoInstance();
DiskSpace& Win32DiskSpaceInstance();
Display& Win32DisplayInstance();
Registry& Win32RegistryInstance();
WindowsInstaller& Win32WindowsInstallerInstance();
MsxmlProbe& Win32MsxmlProbeInstance();
WindowMessages& Win32WindowMessagesInstance();
PlainFiles& Win32PlainFilesInstance();
SignatureTrust& Win32SignatureTrustInstance();
SystemTexts& Win32SystemTextsInstance();
ChildProcesses& Win32ChildProcessesInstance();
FileRemoval& Win32FileRemovalInstance();

}  // namespace platform
