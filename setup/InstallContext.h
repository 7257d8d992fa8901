#pragma once
#include <string>

#include "platform/WindowMessages.h"

// What the dialog hands to the install worker and the worker to every package step: the window
// that receives the worker messages and the status text that window shows. A step sets the text,
// then posts kInstallStatus with a copy of it (setup/StatusNote.h); the window never reads the
// context itself, which the worker deletes when the run ends. The text stays: setting it before
// each status post is part of the steps' defined interface.
struct InstallContext {
    platform::WindowHandle window = nullptr;
    std::wstring statusText;
};
