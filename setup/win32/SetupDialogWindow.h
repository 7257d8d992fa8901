#pragma once

// Shows the setup dialog (template 102) modally and returns the result it ends with
// (StartupSteps::DialogResult); a dialog that cannot be created is logged and ends as failed.
int RunSetupDialog();
