// Entry point of the Windows program. All of the setup's work happens in SetupApp::InitInstance;
// the process ends when it returns, with an exit code that tells how the setup ended.
#include <windows.h>

#include "platform/win32/SystemLibrary.h"
#include "setup/SetupApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL: the setup is often started from a Downloads folder, and runs
    // elevated.
    platform::RestrictDllSearch();
    SetupApp app;
    app.InitInstance();
    return app.ExitCode();
}
