#pragma once
// What a test program needs to drive another process's windows as a user would: messages with a
// bounded wait, texts, clicks, the focused control, message boxes, and pictures of windows.
#include <windows.h>

#include <string>

namespace window_test {

// Sends with a bounded wait; a window that does not answer ends the calling program with exit code 1.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// The window's text, with carriage returns dropped and line breaks written as "\n" (two characters).
std::wstring Text(HWND window);

// Presses a button as a mouse click would (BM_CLICK), then waits until the click has been handled.
void Click(HWND button);

// A real Escape key press: key down and up posted to the control that has the keyboard focus in the
// window's thread (the window itself when none has), so it goes through the dialog's own key handling.
void PressEscape(HWND window);

// A visible top-level message box ("#32770") of the process, other than `except`; null when none.
HWND FindMessageBox(DWORD processId, HWND except = nullptr);

// The box's text (its static control), in the form of Text().
std::wstring MessageBoxText(HWND box);

// Waits about `milliseconds`, handling this thread's messages meanwhile.
void Pause(DWORD milliseconds);

// The window as it is on the screen, written as a 24-bit BMP file at `path`, after a pause that lets
// it finish painting what it was just told.
inline constexpr DWORD kRepaintPauseMs = 400;
void TakePicture(HWND window, const std::wstring& path, DWORD pauseMs = kRepaintPauseMs);

}  // namespace window_test
