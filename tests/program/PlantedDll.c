/* A DLL planted beside the setup under the name of a system DLL: when anything loads it, it appends
   its own path to C:\korvo-e2e\planted-dlls.txt. The planted-dlls case expects that file not to exist. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 2];
        DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
        path[length++] = L'\n';
        CreateDirectoryW(L"C:\\korvo-e2e", NULL);
        HANDLE record = CreateFileW(L"C:\\korvo-e2e\\planted-dlls.txt", FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
        if (record != INVALID_HANDLE_VALUE) {
            DWORD written;
            WriteFile(record, path, length * sizeof(wchar_t), &written, NULL);
            CloseHandle(record);
        }
    }
    return TRUE;
}
