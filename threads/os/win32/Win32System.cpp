// Environment, processor count, the trace collector's socket and dynamic libraries on Windows.
#include "threads/os/VolOs.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace volos {

int ProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return static_cast<int>(info.dwNumberOfProcessors);
}

const char* GetEnvironment(const char* name) {
    return std::getenv(name);
}

namespace {

// Winsock comes from ws2_32.dll in the system folder, loaded by its full path: a DLL of that name
// beside the program must never be the one that runs (the library imports only DLLs that Windows
// always takes from the system folder).
struct WinsockFunctions {
    decltype(&::WSAStartup) startup = nullptr;
    decltype(&::socket) socket = nullptr;
    decltype(&::gethostbyname) hostByName = nullptr;
    decltype(&::connect) connect = nullptr;
    decltype(&::send) send = nullptr;
    decltype(&::closesocket) close = nullptr;
};

template <typename Function>
bool Find(HMODULE library, const char* name, Function*& function) {
    function = reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

HMODULE LoadWinsock() {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\ws2_32.dll";
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Null until Winsock is loaded and started. Winsock must be started before the first socket; the
// trace may connect before anything else in the process has started it. Each start is counted by
// Winsock, so this one is harmless.
const WinsockFunctions* Winsock() {
    static const WinsockFunctions* const started = []() -> const WinsockFunctions* {
        static WinsockFunctions f;
        HMODULE dll = LoadWinsock();
        if (!Find(dll, "WSAStartup", f.startup) || !Find(dll, "socket", f.socket) ||
            !Find(dll, "gethostbyname", f.hostByName) || !Find(dll, "connect", f.connect) ||
            !Find(dll, "send", f.send) || !Find(dll, "closesocket", f.close))
            return nullptr;
        WSADATA data;
        return f.startup(MAKEWORD(2, 2), &data) == 0 ? &f : nullptr;
    }();
    return started;
}

// Network byte order is big-endian.
std::uint16_t PortNetworkOrder(int port) {
    const unsigned char bytes[2] = {static_cast<unsigned char>((port >> 8) & 0xFF),
                                    static_cast<unsigned char>(port & 0xFF)};
    std::uint16_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace

Socket TcpSocketCreate() {
    if (Winsock() == nullptr) return kInvalidSocket;
    const SOCKET s = Winsock()->socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<Socket>(s);
}

bool ResolveHostIPv4(const char* host, std::uint32_t* addressNetworkOrder) {
    if (Winsock() == nullptr) return false;
    const hostent* entry = Winsock()->hostByName(host);
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list[0]) return false;
    std::memcpy(addressNetworkOrder, entry->h_addr_list[0], sizeof *addressNetworkOrder);
    return true;
}

std::uint32_t LoopbackIPv4() {
    const unsigned char loopback[4] = {127, 0, 0, 1};
    std::uint32_t value;
    std::memcpy(&value, loopback, sizeof value);
    return value;
}

// Sockets exist only after Winsock() has loaded the functions.
bool TcpConnect(Socket socket, std::uint32_t addressNetworkOrder, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = PortNetworkOrder(port);
    address.sin_addr.s_addr = addressNetworkOrder;
    return Winsock()->connect(static_cast<SOCKET>(socket), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

int SocketSend(Socket socket, const char* data, int length) {
    const int sent = Winsock()->send(static_cast<SOCKET>(socket), data, length, 0);
    return sent == SOCKET_ERROR ? -1 : sent;
}

void SocketClose(Socket socket) {
    if (socket != kInvalidSocket) Winsock()->close(static_cast<SOCKET>(socket));
}

void ReportError(const char* text) {
    std::perror(text);
}

void* LibraryLoad(const char* fileName) {
    return reinterpret_cast<void*>(LoadLibraryA(fileName));
}

void* LibrarySymbol(void* module, const char* symbol) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), symbol));
}

}  // namespace volos
