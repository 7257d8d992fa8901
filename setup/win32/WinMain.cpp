// Entry point of the Windows program. All of the setup's work happens in SetupApp::InitInstance;
// the process ends when it returns, with an exit code that tells how the setup ended.
#include <windows.h>

#include "setup/SetupApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    SetupApp app;
    app.InitInstance();
    return app.ExitCode();
}
