#pragma once
#include <string>

// What the start-up checks found. Written on the user-interface thread before the dialog exists;
// only read afterwards (by the dialog and the install worker).
struct StartupCheckResults {
    bool checksPassed = false;
    std::wstring failureMessage;
    bool isWindows60 = false;
    bool upgradeAvailable = false;
    bool vc8PrereqNeeded = false;
    bool msxmlPrereqNeeded = false;
};

StartupCheckResults& StartupResults();
