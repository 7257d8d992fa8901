#include "tools/gallery/DialogStage.h"

#include <commctrl.h>

#include <cstdio>

#include "core/MessageCatalogue.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "resources/DialogIds.h"
#include "setup/StepMessages.h"
#include "setup/WorkerMessages.h"
#include "tests/support/win32/ScreenPicture.h"
#include "tools/gallery/DialogLayout.h"

namespace {

constexpr DWORD kReplyTimeoutMs = 5000;  // for every message sent to a window of the dialog
constexpr DWORD kPollMs = 50;
constexpr int kPollsPerWait = 300;      // 15 s for a window or a state to show
constexpr DWORD kRepaintPauseMs = 300;  // the state is set: let it be painted

bool Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, DWORD_PTR* result = nullptr) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kReplyTimeoutMs,
                               result != nullptr ? result : &ignored) != 0;
}

std::wstring Text(HWND window) {
    DWORD_PTR length = 0;
    if (!Send(window, WM_GETTEXTLENGTH, 0, 0, &length)) return std::wstring();
    std::wstring text(length + 1, L'\0');
    Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(length);
    return text;
}

template <class Condition>
bool WaitFor(Condition holds) {
    for (int poll = 0; poll < kPollsPerWait; ++poll) {
        if (holds()) return true;
        Sleep(kPollMs);
    }
    return holds();
}

// A shown top-level window of this process with the given class.
HWND FindOwnWindow(const wchar_t* windowClass) {
    struct Search {
        const wchar_t* windowClass;
        HWND found;
    } search{windowClass, nullptr};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(context);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (process != GetCurrentProcessId() || !IsWindowVisible(window) || lstrcmpW(name, search.windowClass) != 0)
                return TRUE;
            search.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The cancel question as a package step asks it, on a thread of its own; the thread's exit code
// is 1 for Yes.
DWORD WINAPI AskCancelQuestion(void*) {
    return UserConfirmsCancel() ? 1 : 0;
}

std::wstring WithProductName(unsigned text) {
    return MessageCatalogue::FormatPositional(text, {product::kName});
}

}  // namespace

DWORD WINAPI DialogStage::Run(void* stage) {
    DialogStage& self = *static_cast<DialogStage*>(stage);
    if (WaitFor([&] { return (self.dialog_ = FindOwnWindow(product::kWindowClass)) != nullptr; })) {
        self.script_(self);
    } else {
        self.Fail("the dialog did not show");
    }
    if (!self.ok_) self.Abandon();
    return 0;
}

void DialogStage::Picture(const wchar_t* state, HWND over) {
    if (!ok_) return;
    Sleep(kRepaintPauseMs);
    if (over == nullptr) {
        const std::vector<std::string> faults = LayoutFaults(dialog_, IDC_BANNER_PLACEHOLDER);
        // A fault fails the run but stops nothing: the picture shows it, the later states are checked.
        for (const std::string& fault : faults) std::fprintf(stderr, "dialog_gallery: %ls: %s\n", state, fault.c_str());
        if (!faults.empty()) layoutHolds_ = false;
    }
    if (!pictures_.Wants(state)) return;
    RECT area;
    GetWindowRect(dialog_, &area);
    if (over != nullptr) {
        RECT box;
        GetWindowRect(over, &box);
        UnionRect(&area, &area, &box);
    }
    if (!SaveScreenPicture(area, pictures_.folder + L"\\" + state + L".bmp"))
        return Fail("a picture could not be saved");
    std::printf("picture: %ls\n", state);
}

void DialogStage::Click(int control) {
    if (!ok_) return;
    if (!Send(GetDlgItem(dialog_, control), BM_CLICK) || !Send(dialog_, WM_NULL))
        Fail("the dialog did not take a click");
}

void DialogStage::Close() {
    if (ok_) PostMessageW(GetDlgItem(dialog_, IDC_CANCEL_BUTTON), BM_CLICK, 0, 0);
}

void DialogStage::PressInstall() {
    Click(IDC_INSTALL_BUTTON);
    if (!ok_) return;
    context_.window = starter_.Window();
    if (context_.window == nullptr) Fail("Install started no worker");
}

void DialogStage::Status(unsigned text) {
    if (!ok_) return;
    const std::wstring shown = WithProductName(text);
    ShowStatus(&context_, shown);
    if (!WaitFor([&] { return Text(GetDlgItem(dialog_, IDC_STATUS_TEXT)) == shown; }))
        Fail("a status text was not shown");
}

void DialogStage::Progress(int position, int range) {
    if (!ok_) return;
    ShowProgress(&context_, position, range);
    const DWORD_PTR percent = static_cast<DWORD_PTR>(position * 100 / range);
    if (!WaitFor([&] {
            DWORD_PTR shown = 0;
            return Send(GetDlgItem(dialog_, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0, &shown) && shown == percent;
        }))
        Fail("the progress was not shown");
}

void DialogStage::End(std::uint32_t message) {
    if (!ok_) return;
    PostToContextWindow(&context_, message, 0, reinterpret_cast<std::intptr_t>(&context_));
    const std::wstring close = MessageCatalogue::Load(kMsgClose);
    if (!WaitFor([&] { return Text(GetDlgItem(dialog_, IDC_CANCEL_BUTTON)) == close; }))
        Fail("the end of the run was not shown");
}

void DialogStage::CancelQuestion(const wchar_t* state) {
    Click(IDC_CANCEL_BUTTON);
    if (!ok_) return;
    if (CancelRequested.load() != 1) return Fail("Cancel requested no cancel");
    HANDLE asking = CreateThread(nullptr, 0, &AskCancelQuestion, nullptr, 0, nullptr);
    if (asking == nullptr) return Fail("no thread for the cancel question");
    HWND box = nullptr;
    if (WaitFor([&] { return (box = FindOwnWindow(L"#32770")) != nullptr; })) {
        // The box has no owner and shows in the middle of the screen; the picture shows it over the
        // dialog, where the user looks.
        PlaceOverDialog(box);
        Picture(state, box);
        if (!Send(GetDlgItem(box, IDNO), BM_CLICK)) Fail("the cancel question took no answer");
    } else {
        Fail("the cancel question was not asked");
    }
    DWORD answer = 1;
    if (WaitForSingleObject(asking, kReplyTimeoutMs) != WAIT_OBJECT_0 || !GetExitCodeThread(asking, &answer) ||
        answer != 0)
        Fail("the cancel question did not end with No");
    CloseHandle(asking);
    CancelRequested.fetch_sub(1);
}

void DialogStage::Fail(const char* what) {
    std::fprintf(stderr, "dialog_gallery: %s\n", what);
    ok_ = false;
}

void DialogStage::PlaceOverDialog(HWND box) {
    RECT dialog, shown;
    GetWindowRect(dialog_, &dialog);
    GetWindowRect(box, &shown);
    int x = dialog.left + ((dialog.right - dialog.left) - (shown.right - shown.left)) / 2;
    int y = dialog.top + ((dialog.bottom - dialog.top) - (shown.bottom - shown.top)) / 2;
    SetWindowPos(box, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

void DialogStage::Abandon() {
    if (dialog_ == nullptr) return;
    if (context_.window != nullptr) PostToContextWindow(&context_, worker_message::kInstallCancelled, 0, 0);
    PostMessageW(dialog_, WM_CLOSE, 0, 0);
}
