#pragma once
#include "platform/WindowMessages.h"

// How the dialog starts the install worker when the user presses Install. Tests substitute a
// starter that fails or records.
class InstallStarter {
public:
    virtual ~InstallStarter() = default;
    // Starts the worker, which posts its messages to `window`. False when it could not start:
    // then nothing runs, nothing is left allocated and no worker is registered.
    virtual bool Start(platform::WindowHandle window) = 0;
};
