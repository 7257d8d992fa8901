#include "setup/StatusNote.h"

namespace {

struct StatusNote {
    std::wstring text;
};

}  // namespace

std::intptr_t NewStatusNote(const std::wstring& text) {
    return reinterpret_cast<std::intptr_t>(new StatusNote{text});
}

void DiscardStatusNote(std::intptr_t note) {
    delete reinterpret_cast<StatusNote*>(note);
}

std::wstring TakeStatusNote(std::intptr_t note) {
    if (note == 0) return std::wstring();
    StatusNote* taken = reinterpret_cast<StatusNote*>(note);
    std::wstring text = std::move(taken->text);
    delete taken;
    return text;
}
