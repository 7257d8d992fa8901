#pragma once
#include "platform/fakes/FakeMachine.h"
#include "setup/StatusNote.h"
#include "setup/WorkerMessages.h"

// Plays the dialog's side of the status messages: each one's note is taken (and freed) as it is
// posted, and its text kept with the message.
inline void ReceiveStatusNotes(platform::fakes::FakeMachine& machine) {
    machine.windows.receive = [](platform::fakes::FakeWindowMessages::Posted& message) {
        if (message.message == worker_message::kInstallStatus)
            message.text = TakeStatusNote(message.lParam).value_or(L"");
    };
}
