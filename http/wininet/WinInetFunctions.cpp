#include "http/wininet/WinInetFunctions.h"

#include "platform/win32/SystemLibrary.h"

namespace {

WinInetFunctions Load() {
    WinInetFunctions f;
    HMODULE dll = platform::LoadSystemLibrary(L"wininet.dll");
    using platform::FindFunction;
    f.loaded = FindFunction(dll, "HttpAddRequestHeadersA", f.HttpAddRequestHeadersA) &&
               FindFunction(dll, "HttpEndRequestW", f.HttpEndRequestW) &&
               FindFunction(dll, "HttpOpenRequestA", f.HttpOpenRequestA) &&
               FindFunction(dll, "HttpQueryInfoA", f.HttpQueryInfoA) &&
               FindFunction(dll, "HttpSendRequestExA", f.HttpSendRequestExA) &&
               FindFunction(dll, "InternetAttemptConnect", f.InternetAttemptConnect) &&
               FindFunction(dll, "InternetCanonicalizeUrlA", f.InternetCanonicalizeUrlA) &&
               FindFunction(dll, "InternetCloseHandle", f.InternetCloseHandle) &&
               FindFunction(dll, "InternetConnectA", f.InternetConnectA) &&
               FindFunction(dll, "InternetCrackUrlA", f.InternetCrackUrlA) &&
               FindFunction(dll, "InternetErrorDlg", f.InternetErrorDlg) &&
               FindFunction(dll, "InternetGetConnectedState", f.InternetGetConnectedState) &&
               FindFunction(dll, "InternetOpenA", f.InternetOpenA) &&
               FindFunction(dll, "InternetQueryDataAvailable", f.InternetQueryDataAvailable) &&
               FindFunction(dll, "InternetQueryOptionA", f.InternetQueryOptionA) &&
               FindFunction(dll, "InternetQueryOptionW", f.InternetQueryOptionW) &&
               FindFunction(dll, "InternetReadFile", f.InternetReadFile) &&
               FindFunction(dll, "InternetSetOptionA", f.InternetSetOptionA) &&
               FindFunction(dll, "InternetSetOptionW", f.InternetSetOptionW) &&
               FindFunction(dll, "InternetWriteFile", f.InternetWriteFile);
    return f;
}

}  // namespace

const WinInetFunctions& WinInet() {
    static const WinInetFunctions functions = Load();
    return functions;
}
