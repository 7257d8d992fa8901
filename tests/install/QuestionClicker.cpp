#include "tests/install/QuestionClicker.h"

namespace {

constexpr DWORD kPollMilliseconds = 50;
constexpr DWORD kStopWaitMilliseconds = 5000;
// The static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindOwnMessageBox(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770") return TRUE;
    search->found = window;
    return FALSE;
}

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
        Search search{GetCurrentProcessId(), nullptr};
        EnumWindows(&FindOwnMessageBox, reinterpret_cast<LPARAM>(&search));
        // A box already answered may still be closing.
        if (search.found == nullptr || search.found == answered) continue;
        answered = search.found;
        auto* question = new std::wstring(WindowText(search.found) + L" | " +
                                          WindowText(GetDlgItem(search.found, kMessageBoxTextId)));
        if (!PostMessageW(observer_, kQuestionAnswered, 0, reinterpret_cast<LPARAM>(question))) delete question;
        PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    }
}
