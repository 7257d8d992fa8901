#include "setup/StepMessages.h"

#include "core/MessageCatalogue.h"
#include "core/ProductConstants.h"
#include "platform/Services.h"
#include "setup/StatusNote.h"
#include "setup/WorkerMessages.h"

bool PostToContextWindow(const InstallContext* context, std::uint32_t message, std::int64_t wParam,
                         std::int64_t lParam) {
    if (context == nullptr) return false;
    return platform::Os().windows->Post(context->window, message, static_cast<std::uintptr_t>(wParam),
                                        static_cast<std::intptr_t>(lParam));
}

void ShowStatus(InstallContext* context, const std::wstring& text) {
    if (context == nullptr) return;
    context->statusText = text;
    // The dialog reads the text from the note it is handed, never from the context, which the
    // worker frees when the run ends while the dialog may still have messages queued.
    std::intptr_t note = NewStatusNote(text);
    if (!PostToContextWindow(context, worker_message::kInstallStatus, 0, note)) DiscardStatusNote(note);
}

void ShowProgress(const InstallContext* context, std::int64_t position, std::int64_t range) {
    PostToContextWindow(context, worker_message::kInstallProgress, position, range);
}

bool UserConfirmsCancel() {
    std::wstring text = MessageCatalogue::FormatPositional(kMsgCancelQuestion, {product::kName});
    std::wstring caption = MessageCatalogue::FormatPositional(kMsgCaption, {product::kName});
    return platform::Os().desktop->ShowMessage(text, caption, platform::MessageIcon::Question,
                                               platform::MessageButtons::YesNo) == platform::MessageAnswer::Yes;
}
