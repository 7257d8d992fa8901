#pragma once
#include <cstdint>
#include <string>

#include "platform/DialogHost.h"
#include "setup/InstallStarter.h"

// The main setup dialog's behaviour: the licence step (or the failed start-up check's reason), the
// start of the install worker, the worker's reports, the end of the run and the dialog's result.
// The window's view (template, icon, banner, painting) forwards its events here; everything done
// to the window goes through `DialogHost`. All calls come on the dialog's thread.
class SetupDialog {
public:
    SetupDialog(platform::DialogHost& host, InstallStarter& starter);

    void OnInitDialog();
    // A command from a button or the keyboard (dialog_control IDs).
    void OnCommand(int control);
    // The cancel command and the window's close box.
    void OnCancel();
    // A click on the link `linkId` inside the link control `control`.
    void OnLinkClicked(int control, const std::wstring& linkId);
    // The worker's messages and the registered ones; false for any other message. Their handlers
    // return 0.
    bool OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    // 0 while no run has ended, else the RunResult Close ends the dialog with.
    int EndResult() const { return endResult_; }

private:
    bool Running() const { return !idle_ && endResult_ == 0; }
    void OnAcceptToggled();
    void StartRun();
    void ShowStatus(std::intptr_t note);
    void ShowProgress(std::uintptr_t position, std::intptr_t range);
    // Shows catalogue text `text` in `shownIn` and turns Cancel into Close, which ends with `result`.
    void EndRun(unsigned text, int shownIn, int result);

    platform::DialogHost& host_;
    InstallStarter& starter_;
    std::uint32_t updateProgressMessage_;
    std::uint32_t lowExpandMessage_;
    bool checksPassed_ = false;
    bool idle_ = true;  // until the worker has been started
    int endResult_ = 0;
};
