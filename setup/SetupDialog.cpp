#include "setup/SetupDialog.h"

#include <algorithm>
#include <limits>

#include "checks/StartupCheckResults.h"
#include "core/DownloadServer.h"
#include "core/MessageCatalogue.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "core/SetupLog.h"
#include "setup/SetupApp.h"
#include "setup/SetupDialogControls.h"
#include "setup/SetupOutcomes.h"
#include "setup/StatusNote.h"
#include "setup/WorkerMessages.h"

using namespace dialog_control;

namespace {

// How each end of the run shows itself: the text and the control that shows it (its message and
// the dialog's result are the run's, setup/SetupOutcomes.h).
struct ShownEnd {
    RunEnd end;
    unsigned text;  // %1 the product, %2 the log file's path
    int shownIn;
};

constexpr ShownEnd kShownEnds[] = {
    {RunEnd::Succeeded, kMsgInstallSucceeded, kStatusText},
    {RunEnd::Failed, kMsgConnectionFailed, kEndMessage},
    {RunEnd::ExpandFailed, kMsgInstallFailed, kEndMessage},
    {RunEnd::Cancelled, kMsgInterrupted, kEndMessage},
};
// A worker that cannot start ends the run as a failed installation, not as a failed connection:
// nothing was downloaded, so the user's internet connection is not the thing to check.
constexpr const ShownEnd& kWorkerDidNotStart = kShownEnds[2];

std::wstring WithProductName(unsigned text) {
    return MessageCatalogue::FormatPositional(text, {product::kName});
}

}  // namespace

SetupDialog::SetupDialog(platform::DialogHost& host, InstallStarter& starter)
    : host_(host),
      starter_(starter),
      updateProgressMessage_(host.RegisteredMessage(kUpdateProgressMessageName)),
      lowExpandMessage_(host.RegisteredMessage(kUpdateLowExpandMessageName)) {}

void SetupDialog::OnInitDialog() {
    host_.SetTitle(WithProductName(kMsgCaption));
    host_.SetControlText(kInstallButton, MessageCatalogue::Load(kMsgInstall));
    host_.SetControlText(kCancelButton, MessageCatalogue::Load(kMsgCancel));

    const StartupCheckResults& found = StartupResults();
    checksPassed_ = found.checksPassed;
    if (checksPassed_) {
        host_.ShowControl(kFailureLink, false);
        host_.SetControlText(kStatusText, WithProductName(kMsgAcceptLicence));
        host_.SetControlText(kEulaLink, WithProductName(kMsgLicenceLink));
        host_.SetControlText(kAcceptCheckBox, WithProductName(kMsgAcceptCheckBox));
        host_.ShowControl(kAcceptCheckBox, true);
        host_.ShowControl(kEulaLink, true);
        host_.SetChecked(kAcceptCheckBox, false);
        // Install stays disabled until the licence is accepted.
    } else {
        // The reason and the help link instead of the licence; only Cancel is offered.
        host_.ShowControl(kAcceptCheckBox, false);
        host_.ShowControl(kEulaLink, false);
        host_.ShowControl(kStatusText, false);
        host_.SetControlText(kFailureLink,
                             MessageCatalogue::FormatPositional(kMsgCheckFailedWithHelp, {found.failureMessage}));
        host_.ShowControl(kFailureLink, true);
        host_.ShowControl(kInstallButton, false);
        host_.SetDefaultButton(kCancelButton);
    }
    host_.ComeToFront();
}

void SetupDialog::OnCommand(int control) {
    switch (control) {
        case kAcceptCheckBox:
            OnAcceptToggled();
            break;
        case kInstallButton:
            StartRun();
            break;
        case kCancelButton:
            OnCancel();
            break;
        default:
            // Among them the OK command, which Enter gives while no button is the default: it must
            // not end the dialog as if the product had been installed.
            break;
    }
}

void SetupDialog::OnAcceptToggled() {
    if (!idle_ || !checksPassed_) return;
    bool accepted = host_.IsChecked(kAcceptCheckBox);
    host_.EnableControl(kInstallButton, accepted);
    int nextButton = accepted ? kInstallButton : kCancelButton;
    host_.SetDefaultButton(nextButton);
    host_.Focus(nextButton);
}

void SetupDialog::StartRun() {
    // The worker is started at most once, and only with the licence accepted.
    if (!idle_ || !checksPassed_ || !host_.IsChecked(kAcceptCheckBox)) return;
    host_.ShowControl(kAcceptCheckBox, false);
    host_.ShowControl(kEulaLink, false);
    host_.ShowControl(kEndMessage, false);
    host_.ShowControl(kProgressBar, true);
    host_.EnableControl(kInstallButton, false);
    host_.ShowControl(kInstallButton, false);
    host_.Focus(kBannerPlaceholder);
    idle_ = false;
    // The worker reports to this dialog's window, whichever window happens to be active.
    if (!starter_.Start(host_.Window())) {
        SetupLog::Write(L"ThreadDownloadInstall could not be started");
        EndRun(kWorkerDidNotStart.text, kWorkerDidNotStart.shownIn, RowOf(kWorkerDidNotStart.end).result);
    }
}

void SetupDialog::OnCancel() {
    if (idle_) {
        host_.EndDialog(kRunCancelled);
        return;
    }
    if (endResult_ != 0) {
        host_.EndDialog(endResult_);
        return;
    }
    // The worker runs: the package step at work asks the user to confirm. One request at a time:
    // the steps ask only when they find exactly one, so a second press must not make it two.
    std::int32_t none = 0;
    CancelRequested.compare_exchange_strong(none, 1);
    SetupLog::Write(L"CANCEL APPLI");
}

void SetupDialog::OnLinkClicked(int control, const std::wstring& linkId) {
    if (control == kEulaLink && linkId == kEulaLinkId) {
        host_.OpenAddress(BuildDownloadUrl(kEulaFileName));
    } else if (control == kFailureLink && linkId == kHelpLinkId) {
        host_.OpenAddress(GetHelpUrl(HelpAddress()));
    }
}

bool SetupDialog::OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == worker_message::kInstallStatus) {
        ShowStatus(lParam);
        return true;
    }
    if (message == worker_message::kInstallProgress ||
        (updateProgressMessage_ != 0 && message == updateProgressMessage_)) {
        ShowProgress(wParam, lParam);
        return true;
    }
    // Any program can post these numbers to this window (the registered ones are found by name):
    // an outcome already shown stays, and only a running worker ends a run.
    if (lowExpandMessage_ != 0 && message == lowExpandMessage_) {
        if (Running()) host_.SetControlText(kStatusText, MessageCatalogue::Load(kMsgExpandingWait));
        return true;
    }
    for (const ShownEnd& end : kShownEnds) {
        const RunEndRow& row = RowOf(end.end);
        if (message == row.message) {
            // lParam is the worker's context, which the worker frees right after posting: unread.
            if (Running()) EndRun(end.text, end.shownIn, row.result);
            return true;
        }
    }
    return false;
}

void SetupDialog::ShowStatus(std::intptr_t note) {
    // The note is this dialog's to free, whatever state the dialog is in.
    std::optional<std::wstring> text = TakeStatusNote(note);
    if (!Running()) return;
    if (text) host_.SetControlText(kStatusText, *text);
    // A request not yet answered leaves Cancel disabled; after a "No" the step has taken it back.
    host_.EnableControl(kCancelButton, CancelRequested.load() != 1);
}

void SetupDialog::ShowProgress(std::uintptr_t position, std::intptr_t range) {
    if (ProgressDisplayEnabled.load() != 1) return;
    // Position and range are 32-bit values; the percentage is worked out in 64 bits, where
    // position x 100 cannot overflow and no quotient traps.
    const std::int64_t position32 = static_cast<std::int32_t>(position);
    const std::int64_t range32 = static_cast<std::int32_t>(range);
    if (range32 == 0) return;
    const std::int64_t percent = position32 * 100 / range32;
    host_.SetProgressPosition(kProgressBar, static_cast<std::int32_t>(std::clamp<std::int64_t>(
                                                percent, std::numeric_limits<std::int32_t>::min(),
                                                std::numeric_limits<std::int32_t>::max())));
}

void SetupDialog::EndRun(unsigned text, int shownIn, int result) {
    if (shownIn == kEndMessage) {
        host_.ShowControl(kStatusText, false);
        host_.ShowControl(kEndMessage, true);
    }
    host_.SetControlText(shownIn, MessageCatalogue::FormatPositional(text, {product::kName, SetupLog::GetFilePath()}));
    endResult_ = result;

    // Cancel becomes Close, which ends the dialog with the result.
    host_.ShowControl(kProgressBar, false);
    host_.SetControlText(kCancelButton, MessageCatalogue::Load(kMsgClose));
    host_.EnableControl(kCancelButton, true);
    host_.ShowControl(kCancelButton, true);
    host_.SetDefaultButton(kCancelButton);
    host_.Focus(kCancelButton);
}
