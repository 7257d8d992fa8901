#include "http/socket/os/WinsockFunctions.h"

#include "platform/win32/SystemLibrary.h"

namespace {

WinsockFunctions Load() {
    WinsockFunctions f;
    HMODULE dll = platform::LoadSystemLibrary(L"ws2_32.dll");
    using platform::FindFunction;
    f.loaded = FindFunction(dll, "WSAStartup", f.WSAStartup) &&
               FindFunction(dll, "WSAGetLastError", f.WSAGetLastError) &&
               FindFunction(dll, "WSASetLastError", f.WSASetLastError) && FindFunction(dll, "socket", f.socket) &&
               FindFunction(dll, "setsockopt", f.setsockopt) && FindFunction(dll, "gethostbyname", f.gethostbyname) &&
               FindFunction(dll, "connect", f.connect) && FindFunction(dll, "send", f.send) &&
               FindFunction(dll, "recv", f.recv) && FindFunction(dll, "select", f.select) &&
               FindFunction(dll, "closesocket", f.closesocket);
    return f;
}

}  // namespace

const WinsockFunctions& Winsock() {
    static const WinsockFunctions functions = Load();
    return functions;
}
