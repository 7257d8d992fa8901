#pragma once
#include <string>

namespace platform {

enum class MessageIcon { Error, Warning, Question, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No, Failed };

// The window-system services of start-up: the dialog's window class, common controls, message
// boxes with no owner window, and finding another setup's window.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Registers a copy of the system dialog class under `className`.
    virtual bool RegisterDialogClassCopy(const std::wstring& className) = 0;
    virtual void InitCommonControls() = 0;
    virtual MessageAnswer ShowMessage(const std::wstring& text, const std::wstring& caption, MessageIcon icon,
                                      MessageButtons buttons) = 0;
    // Finds a top-level window of `className` and brings its last active pop-up to the front,
    // restoring the window first if it is minimised. False when there is none.
    virtual bool BringWindowOfClassToFront(const std::wstring& className) = 0;
};

}  // namespace platform
