// Stand-ins for the installed product's own programs, one executable per role (KORVO_TOOL_ROLE):
//   texture   VolTexturesGeneration.exe: reports progress to the window named by "-hWnd N" with the
//             registered messages, then exits with KORVO_TEST_TEXTURE_EXIT (0 when unset);
//   start     VolSTART.exe: exits with KORVO_TEST_START_EXIT (0 when unset);
//   app       the product application: exits with 0.
// Each appends its whole command line, as the process received it, to C:\korvo-e2e\<role>.txt
// (UTF-8, one line per run), where the test reads it.
#include <windows.h>

#include <cwchar>
#include <string>

#ifndef KORVO_TOOL_ROLE
#error "KORVO_TOOL_ROLE names the role: texture, start or app"
#endif

namespace {

constexpr wchar_t kRecordFolder[] = L"C:\\korvo-e2e";
constexpr int kTextureSteps = 3;
constexpr DWORD kTextureStepMilliseconds = 50;

std::wstring Role() {
    return KORVO_TOOL_ROLE;
}

void RecordCommandLine() {
    CreateDirectoryW(kRecordFolder, nullptr);  // an existing folder is fine
    std::wstring path = std::wstring(kRecordFolder) + L"\\" + Role() + L".txt";
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::wstring line = std::wstring(GetCommandLineW()) + L"\n";
    int size =
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &bytes[0], size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

UINT ExitCodeFrom(const wchar_t* variable) {
    wchar_t value[32] = {};
    DWORD length = GetEnvironmentVariableW(variable, value, 32);
    if (length == 0 || length >= 32) return 0;
    return static_cast<UINT>(std::wcstoul(value, nullptr, 10));
}

// The window after "-hWnd", or null.
HWND ProgressWindow() {
    const wchar_t* option = std::wcsstr(GetCommandLineW(), L"-hWnd ");
    if (option == nullptr) return nullptr;
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(option + 6, nullptr, 10)));
}

void ReportTextureProgress() {
    HWND window = ProgressWindow();
    if (window == nullptr) return;
    UINT progress = RegisterWindowMessageW(L"CUSTOM_UPDATE_PROGRESS");
    UINT lowExpand = RegisterWindowMessageW(L"CUSTOM_UPDATE_LOWEXPAND");
    for (int step = 1; step <= kTextureSteps; ++step) {
        PostMessageW(window, progress, static_cast<WPARAM>(step), static_cast<LPARAM>(kTextureSteps));
        Sleep(kTextureStepMilliseconds);
    }
    PostMessageW(window, lowExpand, 0, 0);
}

}  // namespace

int main() {
    RecordCommandLine();
    if (Role() == L"texture") {
        ReportTextureProgress();
        return static_cast<int>(ExitCodeFrom(L"KORVO_TEST_TEXTURE_EXIT"));
    }
    if (Role() == L"start") return static_cast<int>(ExitCodeFrom(L"KORVO_TEST_START_EXIT"));
    return 0;
}
