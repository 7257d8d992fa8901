#pragma once
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "setup/InstallContext.h"
#include "setup/ThreadInstallStarter.h"

// Starts nothing: remembers the window the worker would report to, for the stage that plays the
// worker.
class RecordingStarter final : public InstallStarter {
public:
    bool Start(platform::WindowHandle window) override {
        window_.store(window);
        return true;
    }
    platform::WindowHandle Window() const { return window_.load(); }

private:
    std::atomic<platform::WindowHandle> window_{nullptr};
};

// Where the stage saves its pictures and which: <folder>\<state>.bmp for the states named.
struct PictureRequest {
    std::wstring folder;
    std::vector<std::wstring> states;
    bool Wants(const wchar_t* state) const { return std::find(states.begin(), states.end(), state) != states.end(); }
};

// One modal run of the setup dialog, staged from a thread of its own: the stage plays the user
// (clicks) and the install worker (the messages it posts, the cancel question it asks), checks the
// layout of every state it comes to (tools/gallery/DialogLayout.h) and saves pictures of the states
// asked for. Every step after a failed one is skipped; a layout fault fails the run but skips nothing.
class DialogStage {
public:
    using Script = void (*)(DialogStage&);
    DialogStage(const PictureRequest& pictures, RecordingStarter& starter, Script script)
        : pictures_(pictures), starter_(starter), script_(script) {}

    // The staging thread: waits for the dialog, plays the script, and ends the dialog when a step
    // failed.
    static DWORD WINAPI Run(void* stage);
    bool Ok() const { return ok_ && layoutHolds_; }

    // A state: the dialog's layout checked (not under a window `over` it, which hides part of it)
    // and, when asked for, its picture with the window over it as the screen shows them.
    void Picture(const wchar_t* state, HWND over = nullptr);
    // A click of the user, handled by the time it returns.
    void Click(int control);
    // The last click, on Cancel or Close, which ends the dialog: nothing is asked of it afterwards.
    void Close();
    // Install, which hands the stage the worker's window.
    void PressInstall();

    // The worker's messages (catalogue texts with the product's name), each waited for until the
    // dialog shows it.
    void Status(unsigned text);
    void Progress(int position, int range);
    void End(std::uint32_t message);

    // The user presses Cancel while the worker runs; the step at work asks the question on the
    // worker's thread, pictured as `state`; the user answers No, and the step takes the request back.
    void CancelQuestion(const wchar_t* state);

private:
    void Fail(const char* what);
    void PlaceOverDialog(HWND box);
    // Ends the dialog whatever its state: a running run first ends as cancelled.
    void Abandon();

    const PictureRequest& pictures_;
    RecordingStarter& starter_;
    Script script_;
    HWND dialog_ = nullptr;
    InstallContext context_;
    bool ok_ = true;
    bool layoutHolds_ = true;
};
