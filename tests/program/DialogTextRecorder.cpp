// A hook library that the program driver sets on the setup dialog's thread (WH_CALLWNDPROC), so
// Windows loads it into the setup's process and shows it every message sent there. It appends what
// the dialog's status text (-1) and end message (1017) were set to, and every new position of the
// progress bar, to C:\korvo-e2e\dialog.txt (UTF-8, one line each):
//   text <control ID> <text, line breaks written as \n>
//   progress <position>
// So the order of short-lived status texts comes from what the dialog received, not from polling.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "resources/DialogIds.h"

namespace {

constexpr wchar_t kRecordFolder[] = L"C:\\korvo-e2e";
constexpr wchar_t kRecordFile[] = L"C:\\korvo-e2e\\dialog.txt";
constexpr wchar_t kDialogClass[] = L"KORVOSkelvClass";
constexpr WORD kStatusTextId = static_cast<WORD>(IDC_STATUS_TEXT);  // stored as 0xFFFF

LRESULT lastProgress = -1;  // only the dialog's thread calls the hook

bool IsDialogControl(HWND control, WORD* id) {
    HWND parent = GetParent(control);
    wchar_t name[64] = {};
    if (parent == nullptr || GetClassNameW(parent, name, 64) == 0 || lstrcmpW(name, kDialogClass) != 0) return false;
    *id = static_cast<WORD>(GetDlgCtrlID(control));
    return true;
}

void Append(const std::wstring& line) {
    CreateDirectoryW(kRecordFolder, nullptr);  // an existing folder is fine
    HANDLE file = CreateFileW(kRecordFile, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    int size =
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &bytes[0], size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::wstring Escaped(const wchar_t* text) {
    std::wstring out;
    for (; text != nullptr && *text != L'\0'; ++text) {
        if (*text == L'\n') {
            out += L"\\n";
        } else if (*text != L'\r') {
            out += *text;
        }
    }
    return out;
}

void Record(const CWPSTRUCT& message) {
    WORD id = 0;
    if (!IsDialogControl(message.hwnd, &id)) return;
    if (message.message == WM_SETTEXT && (id == kStatusTextId || id == IDC_END_MESSAGE)) {
        int shownId = id == kStatusTextId ? IDC_STATUS_TEXT : IDC_END_MESSAGE;
        Append(L"text " + std::to_wstring(shownId) + L" " + Escaped(reinterpret_cast<const wchar_t*>(message.lParam)) +
               L"\n");
    } else if (message.message == PBM_SETPOS && id == IDC_PROGRESS_BAR &&
               static_cast<LRESULT>(message.wParam) != lastProgress) {
        lastProgress = static_cast<LRESULT>(message.wParam);
        Append(L"progress " + std::to_wstring(lastProgress) + L"\n");
    }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK RecordDialogTexts(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && lParam != 0) Record(*reinterpret_cast<const CWPSTRUCT*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
