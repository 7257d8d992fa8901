#pragma once

// The check chain run before the dialog: sets checksPassed and, on failure, failureMessage.
void RunStartupChecks();
// The prerequisite scan: sets vc8PrereqNeeded and msxmlPrereqNeeded.
void CheckAllPrereqs();
