// The program's worker start, in a file of its own: only the program, which links the whole install
// worker, pulls it in; the dialog's tests hand the dialog starters of their own.
#include "setup/InstallWorker.h"
#include "setup/SetupDialogWorkerStart.h"

InstallStarter& ProgramInstallStarter() {
    static InstallStarter& starter = *new ThreadInstallStarter(&ThreadDownloadInstall, &platform::StartDetachedThread);
    return starter;
}
