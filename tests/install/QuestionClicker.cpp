#include "tests/install/QuestionClicker.h"

#include "tests/support/win32/WindowDriving.h"

namespace {

constexpr DWORD kPollMilliseconds = 50;
constexpr DWORD kStopWaitMilliseconds = 5000;
// The static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

}  // namespace

bool QuestionClicker::Start() {
    thread_ = CreateThread(nullptr, 0, &QuestionClicker::Watch, this, 0, nullptr);
    return thread_ != nullptr;
}

void QuestionClicker::Stop() {
    if (thread_ == nullptr) return;
    InterlockedExchange(&stopping_, 1);
    WaitForSingleObject(thread_, kStopWaitMilliseconds);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI QuestionClicker::Watch(void* self) {
    static_cast<QuestionClicker*>(self)->AnswerQuestions();
    return 0;
}

void QuestionClicker::AnswerQuestions() {
    HWND answered = nullptr;
    while (InterlockedCompareExchange(&stopping_, 0, 0) == 0) {
        Sleep(kPollMilliseconds);
        // A box already answered may still be closing.
        HWND box = window_test::FindMessageBox(GetCurrentProcessId(), answered);
        if (box == nullptr) continue;
        answered = box;
        auto* question = new std::wstring(WindowText(box) + L" | " + WindowText(GetDlgItem(box, kMessageBoxTextId)));
        if (!PostMessageW(observer_, kQuestionAnswered, 0, reinterpret_cast<LPARAM>(question))) delete question;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    }
}
