#include "checks/StartupCheckResults.h"

StartupCheckResults& StartupResults() {
    // Never destroyed: the install worker may read it while the process ends.
    static StartupCheckResults& results = *new StartupCheckResults;
    return results;
}
