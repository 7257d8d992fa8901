#include "checks/StartupChecks.h"

#include "checks/StartupCheckResults.h"

StartupCheckResults& StartupResults() {
    // Never destroyed: the install worker may read it while the process ends.
    static StartupCheckResults& results = *new StartupCheckResults;
    return results;
}

// The operating-system, video, server-version and disk checks plug in here.
void RunStartupChecks() {}

// The runtime and MSXML 6 prerequisite checks plug in here.
void CheckAllPrereqs() {}
