#pragma once
#include "setup/ThreadInstallStarter.h"

// Shows the setup dialog (template 102) modally and returns the result it ends with
// (StartupSteps::DialogResult); a dialog that cannot be created is logged and ends as failed.
// Install starts the worker through `starter`.
int RunSetupDialog(InstallStarter& starter);
