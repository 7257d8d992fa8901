// Environment, processor count, the trace collector's socket and dynamic libraries on Windows.
#include "threads/os/VolOs.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
// Winsock must be started before the first socket; the trace may connect before anything else
// in the process has started it. Each start is counted by Winsock, so this one is harmless.
bool WinsockStarted() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
}  // namespace

Socket TcpSocketCreate() {
    if (!WinsockStarted()) return kInvalidSocket;
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<Socket>(s);
}

bool ResolveHostIPv4(const char* host, std::uint32_t* addressNetworkOrder) {
    const hostent* entry = gethostbyname(host);
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list[0]) return false;
    std::memcpy(addressNetworkOrder, entry->h_addr_list[0], sizeof *addressNetworkOrder);
    return true;
}

std::uint32_t LoopbackIPv4() {
    return htonl(INADDR_LOOPBACK);
}

bool TcpConnect(Socket socket, std::uint32_t addressNetworkOrder, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = addressNetworkOrder;
    return ::connect(static_cast<SOCKET>(socket), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

int SocketSend(Socket socket, const char* data, int length) {
    const int sent = ::send(static_cast<SOCKET>(socket), data, length, 0);
    return sent == SOCKET_ERROR ? -1 : sent;
}

void SocketClose(Socket socket) {
    if (socket != kInvalidSocket) closesocket(static_cast<SOCKET>(socket));
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
