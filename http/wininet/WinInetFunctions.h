#pragma once
#include <windows.h>
#include <wininet.h>

// The WinINet functions the driver calls, from wininet.dll in the system folder (the program
// imports no DLL that Windows would look for in the program's own folder first).
struct WinInetFunctions {
    bool loaded = false;  // every function below was found
    decltype(&::HttpAddRequestHeadersA) HttpAddRequestHeadersA = nullptr;
    decltype(&::HttpEndRequestW) HttpEndRequestW = nullptr;
    decltype(&::HttpOpenRequestA) HttpOpenRequestA = nullptr;
    decltype(&::HttpQueryInfoA) HttpQueryInfoA = nullptr;
    decltype(&::HttpSendRequestExA) HttpSendRequestExA = nullptr;
    decltype(&::InternetAttemptConnect) InternetAttemptConnect = nullptr;
    decltype(&::InternetCanonicalizeUrlA) InternetCanonicalizeUrlA = nullptr;
    decltype(&::InternetCloseHandle) InternetCloseHandle = nullptr;
    decltype(&::InternetConnectA) InternetConnectA = nullptr;
    decltype(&::InternetCrackUrlA) InternetCrackUrlA = nullptr;
    decltype(&::InternetErrorDlg) InternetErrorDlg = nullptr;
    decltype(&::InternetGetConnectedState) InternetGetConnectedState = nullptr;
    decltype(&::InternetOpenA) InternetOpenA = nullptr;
    decltype(&::InternetQueryDataAvailable) InternetQueryDataAvailable = nullptr;
    decltype(&::InternetQueryOptionA) InternetQueryOptionA = nullptr;
    decltype(&::InternetQueryOptionW) InternetQueryOptionW = nullptr;
    decltype(&::InternetReadFile) InternetReadFile = nullptr;
    decltype(&::InternetSetOptionA) InternetSetOptionA = nullptr;
    decltype(&::InternetSetOptionW) InternetSetOptionW = nullptr;
    decltype(&::InternetWriteFile) InternetWriteFile = nullptr;
};

// Loaded on first use and kept for the life of the process.
const WinInetFunctions& WinInet();
