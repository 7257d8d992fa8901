#pragma once
#include <winsock2.h>

// The Winsock functions the socket driver calls, from ws2_32.dll in the system folder: the program
// imports only DLLs that every Windows it runs on takes from the system folder, and Winsock became
// one of those only with Windows 7.
struct WinsockFunctions {
    bool loaded = false;  // every function below was found
    decltype(&::WSAStartup) WSAStartup = nullptr;
    decltype(&::WSAGetLastError) WSAGetLastError = nullptr;
    decltype(&::WSASetLastError) WSASetLastError = nullptr;
    decltype(&::socket) socket = nullptr;
    decltype(&::setsockopt) setsockopt = nullptr;
    decltype(&::gethostbyname) gethostbyname = nullptr;
    decltype(&::connect) connect = nullptr;
    decltype(&::send) send = nullptr;
    decltype(&::recv) recv = nullptr;
    decltype(&::select) select = nullptr;
    decltype(&::closesocket) closesocket = nullptr;
};

// Loaded on first use and kept for the life of the process.
const WinsockFunctions& Winsock();
