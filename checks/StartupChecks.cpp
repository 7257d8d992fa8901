#include "checks/StartupChecks.h"

#include "checks/DiskSpaceCheck.h"
#include "checks/InstalledProducts.h"
#include "checks/MsxmlPrereq.h"
#include "checks/OsCheck.h"
#include "checks/ServerVersionCheck.h"
#include "checks/StartupCheckResults.h"
#include "checks/VideoCheck.h"
#include "core/SetupLog.h"

void RunStartupChecks() {
    StartupCheckResults& results = StartupResults();
    // The order is binding and the first refusal ends the chain: only the version check goes to the
    // network, so a machine refused on its system or adapter makes no request; and the disk check's
    // need depends on the version check.
    std::wstring& failure = results.failureMessage;
    results.checksPassed = IsOSAuthorized(failure) && IsVideoCardOK(failure) && CheckNeedInstall(failure) &&
                           IsEnoughDiskSpace(results.upgradeAvailable, failure);
}

void CheckAllPrereqs() {
    StartupCheckResults& results = StartupResults();
    SetupLog::Write(L"IN->CheckAllPrereqs ()");
    results.vc8PrereqNeeded = !IsPrereqVC8();
    results.msxmlPrereqNeeded = !IsPrereqMSXML();
    SetupLog::Write(L"OUT->CheckAllPrereqs ()");
}
