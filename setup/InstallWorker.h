#pragma once
#include "setup/InstallContext.h"

// The install run, on the worker thread the dialog starts when the user presses Install: the
// packages the start-up checks asked for, then the product, its tools, and the clean-up.
// The worker owns `context` (allocated with new; may be null, then nothing is posted) and deletes
// it after its final message. 1 installed, 2 cancelled by the user, 3 failed.
int ThreadDownloadInstall(InstallContext* context);
