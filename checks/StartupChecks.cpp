#include "checks/StartupChecks.h"

#include "checks/StartupCheckResults.h"

StartupCheckResults& StartupResults() {
    static StartupCheckResults results;
    return results;
}

// The operating-system, video, server-version and disk checks plug in here.
void RunStartupChecks() {}

// The runtime and MSXML 6 prerequisite checks plug in here.
void CheckAllPrereqs() {}
