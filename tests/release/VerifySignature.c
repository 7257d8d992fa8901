/* verify_signature <file> [expected result]
   Asks WinVerifyTrust (Authenticode, no revocation checks, no user interface) about a file, a host
   path (/...) being read through Wine's drive Z:, and prints its answer as 0x%08lX. Exits 0 when
   the answer is the expected one (0, trusted, unless given: 0x800B0100 for a file without a
   signature, say), 1 when it is another. */
#include <windows.h>
/* windows.h first: the trust headers build on it. */
#include <softpub.h>
#include <wchar.h>
#include <wintrust.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) {
        fwprintf(stderr, L"usage: verify_signature <file> [expected result]\n");
        return 2;
    }
    const LONG expected = argc == 3 ? (LONG)wcstoul(argv[2], NULL, 0) : 0;

    wchar_t* path = argv[1];
    if (path[0] == L'/') { /* the host's folders are Wine's drive Z: */
        static wchar_t onDriveZ[MAX_PATH + 3] = L"Z:";
        wcsncat(onDriveZ, path, MAX_PATH);
        for (wchar_t* c = onDriveZ; *c; ++c) {
            if (*c == L'/') *c = L'\\';
        }
        path = onDriveZ;
    }

    WINTRUST_FILE_INFO file = {0};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path;
    WINTRUST_DATA data = {0};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = WinVerifyTrust((HWND)INVALID_HANDLE_VALUE, &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust((HWND)INVALID_HANDLE_VALUE, &action, &data);

    wprintf(L"WinVerifyTrust: 0x%08lX (expected 0x%08lX)\n", (unsigned long)result, (unsigned long)expected);
    return result == expected ? 0 : 1;
}
