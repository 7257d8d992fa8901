#pragma once
#include <cstdint>
#include <string>

#include "setup/InstallContext.h"

// What a package step shows the user while it works: worker messages to the context's window and
// the cancel question. Without a context nothing is posted.

// False when there is no context or the message could not be posted.
bool PostToContextWindow(const InstallContext* context, std::uint32_t message, std::int64_t wParam,
                         std::int64_t lParam);

// Makes `text` the context's status text and tells the window, with a copy of the text carried by
// the message (setup/StatusNote.h).
void ShowStatus(InstallContext* context, const std::wstring& text);

// The progress bar at `position` of `range`.
void ShowProgress(const InstallContext* context, std::int64_t position, std::int64_t range);

// Asks "Are you sure you want to cancel ... installation?" in a Yes/No box owned by no window;
// true for Yes.
bool UserConfirmsCancel();
