#include "setup/SetupApp.h"

#include "checks/UserAdmin.h"
#include "core/MessageCatalogue.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "platform/Services.h"
#include "core/DownloadServer.h"

void SetupApp::Tell(const std::wstring& text, bool warning) const {
    platform::Os().desktop->ShowMessage(text, caption_,
                                        warning ? platform::MessageIcon::Warning : platform::MessageIcon::Error,
                                        platform::MessageButtons::Ok);
}

bool SetupApp::InitInstance() {
    platform::Services& os = platform::Os();
    // The dialog template names this class; a second setup finds the first one's window by it.
    os.desktop->RegisterDialogClassCopy(product::kWindowClass);
    os.desktop->InitCommonControls();

    CancelRequested = 0;
    ProgressDisplayEnabled = 1;

    const std::vector<std::wstring> productName{product::kName};
    const std::wstring beginLine = MessageCatalogue::FormatPositional(kMsgBeginSetup, productName);
    const std::wstring endLine = MessageCatalogue::FormatPositional(kMsgEndSetup, productName);
    caption_ = MessageCatalogue::FormatPositional(kMsgCaption, productName);

    SetupLog::Write(beginLine);  // the run's first entry starts a fresh log

    if (!IsUserAdmin()) {
        std::wstring refusal = MessageCatalogue::FormatPositional(kMsgAdminRequired, productName);
        Tell(refusal, false);
        SetupLog::Write(refusal);
        SetupLog::Write(endLine);
        return false;
    }

    platform::NamedMutexes::Result session = os.mutexes->CreateOwnedMutex(product::kSessionMutex);
    if (session.handle == 0) return false;
    if (session.alreadyExisted) {
        // Another setup runs in this logon session: point the user at it and leave.
        Tell(MessageCatalogue::FormatPositional(kMsgAlreadyRunning, productName), false);
        os.desktop->BringWindowOfClassToFront(product::kWindowClass);
        return false;
    }

    platform::NamedMutexes::Result machineWide = os.mutexes->CreateOwnedMutexOpenToEveryone(product::kGlobalMutex);
    if (machineWide.handle == 0) {
        std::wstring reason = os.systemTexts->TextFor(machineWide.error).value_or(std::wstring());
        SetupLog::Write(reason.empty() ? L"Error creating mutex" : reason);
        SetupLog::Write(endLine);
        return false;
    }

    steps_.RunStartupChecks();  // the dialog reads the outcome

    if (IsCustomDownloadServer()) {
        std::wstring warning =
            std::wstring(L"Internal test for ") + product::kShortName + L" from " + GetDownloadServer();
        Tell(warning, true);
        SetupLog::Write(warning);
    }

    SetupLog::Write(std::wstring(L"Version ") + product::kBuildStamp);

    steps_.CheckAllPrereqs();

    int result = steps_.ShowMainDialog();
    // The worker posts its outcome before its clean-up: let it finish its last log lines and the
    // removal of the package folder before a new setup can start or the process ends.
    if (!WaitForRunningWorkers(workerWaitMilliseconds_)) SetupLog::Write(L"Install worker still running at exit");

    // Released before the application starts, so neither it nor a new setup finds them.
    os.mutexes->CloseMutex(machineWide.handle);
    os.mutexes->CloseMutex(session.handle);

    exitCode_ = result == kRunInstalled ? kExitInstalled : result == kRunFailed ? kExitFailed : kExitCancelled;
    if (result == kRunInstalled) {
        SetupLog::Write(L"IDOK");
        steps_.LaunchInstalledApplication();
    } else if (result == kRunCancelled || result == kRunFailed) {
        SetupLog::Write(L"IDCANCEL");
    }
    SetupLog::Write(endLine);
    return false;
}
