// A stand-in for an installer: runs for KORVO_STANDIN_MS milliseconds, then exits with the code in
// KORVO_STANDIN_EXIT (both inherited from the test). Its own command line is ignored.
#include <windows.h>

#include <cwchar>

namespace {

unsigned long Number(const wchar_t* name) {
    wchar_t value[32] = {};
    DWORD length = GetEnvironmentVariableW(name, value, 32);
    if (length == 0 || length >= 32) return 0;
    return std::wcstoul(value, nullptr, 10);
}

}  // namespace

int main() {
    Sleep(Number(L"KORVO_STANDIN_MS"));
    ExitProcess(static_cast<UINT>(Number(L"KORVO_STANDIN_EXIT")));
}
