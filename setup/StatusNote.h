#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The status text travels with its status message: the worker posts a heap copy of the text that
// was current at the time, and the dialog takes the copy (and frees it) when it handles the
// message. The dialog thus never reads the context, which the worker frees when the run ends.

// A copy of `text`, as the message's lParam. Never 0.
std::intptr_t NewStatusNote(const std::wstring& text);

// Frees a note whose message could not be posted.
void DiscardStatusNote(std::intptr_t note);

// The dialog's side: the note's text, freeing the note. Anything that is not a note handed out by
// NewStatusNote and still untaken (0, a note taken before, a number posted by another program)
// gives nullopt and frees nothing.
std::optional<std::wstring> TakeStatusNote(std::intptr_t note);
