#pragma once
#include <windows.h>

#include <string>

// Plays the user who answers the cancel question with Yes. A thread of its own watches for a
// top-level message box ("#32770") of this process, reads its caption and text, tells `observer`
// with kQuestionAnswered (lParam: a new std::wstring "caption | text", the receiver deletes it),
// and presses Yes.
inline constexpr UINT kQuestionAnswered = WM_APP + 1;

class QuestionClicker {
public:
    explicit QuestionClicker(HWND observer) : observer_(observer) {}
    ~QuestionClicker() { Stop(); }
    QuestionClicker(const QuestionClicker&) = delete;
    QuestionClicker& operator=(const QuestionClicker&) = delete;

    bool Start();
    void Stop();

private:
    static DWORD WINAPI Watch(void* self);
    void AnswerQuestions();

    HWND observer_;
    HANDLE thread_ = nullptr;
    volatile LONG stopping_ = 0;
};
