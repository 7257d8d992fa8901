#include "setup/CancelQuestion.h"

#include "core/MessageCatalogue.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "setup/StepMessages.h"

bool CancelQuestion::Confirmed() {
    if (CancelRequested.load() != 1 || !mayAsk_) return false;
    if (manner_.freezesProgress) ProgressDisplayEnabled.fetch_sub(1);
    if (!UserConfirmsCancel()) {
        CancelRequested.fetch_sub(1);
        if (manner_.freezesProgress) ProgressDisplayEnabled.fetch_add(1);
        return false;
    }
    if (manner_.tellsCancelling)
        ShowStatus(context_, MessageCatalogue::FormatPositional(kMsgCancelInProgress, {product::kName}));
    mayAsk_ = false;
    return true;
}

void CancelQuestion::EndFreeze() {
    if (manner_.freezesProgress && !mayAsk_) ProgressDisplayEnabled.fetch_add(1);
}
