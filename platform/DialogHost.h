#pragma once
#include <cstdint>
#include <string>

#include "platform/WindowMessages.h"

namespace platform {

// The setup dialog's window as its logic drives it. Controls are named by their IDs in the dialog
// template; an operation on a control the window does not have does nothing.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    // The dialog's own window: where the install worker posts its messages.
    virtual WindowHandle Window() const = 0;
    virtual void SetTitle(const std::wstring& text) = 0;
    virtual void SetControlText(int control, const std::wstring& text) = 0;
    virtual void ShowControl(int control, bool shown) = 0;
    virtual void EnableControl(int control, bool enabled) = 0;
    virtual void SetChecked(int control, bool checked) = 0;
    virtual bool IsChecked(int control) const = 0;
    // The button that Enter presses.
    virtual void SetDefaultButton(int control) = 0;
    virtual void Focus(int control) = 0;
    // The progress bar clamps a position beyond its range.
    virtual void SetProgressPosition(int control, std::int32_t position) = 0;
    // Ends the modal run, which returns `result`.
    virtual void EndDialog(int result) = 0;
    // Sets the user's foreground lock time-out to 0 (kept in the profile) so that the dialog may
    // come to the foreground, and brings it there.
    virtual void ComeToFront() = 0;
    // Opens the address in the user's browser, with no owner window.
    virtual void OpenAddress(const std::wstring& address) = 0;
    // The number of the window message registered under `name`; 0 when it cannot be registered.
    virtual std::uint32_t RegisteredMessage(const std::wstring& name) = 0;
};

}  // namespace platform
