#pragma once
#include "setup/InstallContext.h"

// The cancel question a package step asks while it works: only while the user has pressed Cancel
// exactly once (CancelRequested is 1) and has not confirmed a cancel during this step yet. A No
// takes the press back (and the step goes on); a Yes is final: nothing is asked again.
class CancelQuestion {
public:
    struct Manner {
        bool tellsCancelling = false;  // after a Yes, the status text says the cancel is under way
        bool freezesProgress = false;  // the bar stands still while asked and, after a Yes, until EndFreeze
    };
    CancelQuestion(InstallContext* context, Manner manner) : context_(context), manner_(manner) {}

    // Asks when the protocol allows it; true when the user confirms the cancel now.
    bool Confirmed();
    // After a confirmed cancel of a freezing question: the bar moves again.
    void EndFreeze();

private:
    InstallContext* context_;
    Manner manner_;
    bool mayAsk_ = true;
};
