#include "setup/StatusNote.h"

#include <set>

#include "threads/VolMutex.h"
#include "threads/VolMutexUntraced.h"

namespace {

struct StatusNote {
    std::wstring text;
};

// Every note handed out and not yet taken or discarded. Any program can post a status message to
// the dialog's window with a number of its choice as lParam; only a note of ours is ever read or
// freed. Never destroyed: a worker may still post while the process ends.
struct OutstandingNotes {
    VolMutex lock;
    std::set<std::intptr_t> notes;
};

OutstandingNotes& Outstanding() {
    static OutstandingNotes& outstanding = *new OutstandingNotes;
    return outstanding;
}

// The note, no longer outstanding; nullptr for a value that is not an outstanding note.
StatusNote* Claim(std::intptr_t note) {
    OutstandingNotes& outstanding = Outstanding();
    VolMutexUntracedHold guard(outstanding.lock);
    if (outstanding.notes.erase(note) == 0) return nullptr;
    return reinterpret_cast<StatusNote*>(note);
}

}  // namespace

std::intptr_t NewStatusNote(const std::wstring& text) {
    auto note = reinterpret_cast<std::intptr_t>(new StatusNote{text});
    OutstandingNotes& outstanding = Outstanding();
    VolMutexUntracedHold guard(outstanding.lock);
    outstanding.notes.insert(note);
    return note;
}

void DiscardStatusNote(std::intptr_t note) {
    delete Claim(note);
}

std::optional<std::wstring> TakeStatusNote(std::intptr_t note) {
    StatusNote* taken = Claim(note);
    if (taken == nullptr) return std::nullopt;
    std::wstring text = std::move(taken->text);
    delete taken;
    return text;
}
