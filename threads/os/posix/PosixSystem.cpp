// Environment, processor count, the trace collector's socket and dynamic libraries on POSIX.
#include "threads/os/VolOs.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace volos {

int ProcessorCount() {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<int>(count) : 1;
}

const char* GetEnvironment(const char* name) {
    return std::getenv(name);
}

Socket TcpSocketCreate() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    return fd < 0 ? kInvalidSocket : static_cast<Socket>(fd);
}

bool ResolveHostIPv4(const char* host, std::uint32_t* addressNetworkOrder) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
    *addressNetworkOrder = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

std::uint32_t LoopbackIPv4() {
    return htonl(INADDR_LOOPBACK);
}

bool TcpConnect(Socket socket, std::uint32_t addressNetworkOrder, int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = addressNetworkOrder;
    int result;
    do {
        result = ::connect(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

int SocketSend(Socket socket, const char* data, int length) {
    ssize_t sent;
    do {
        sent = ::send(static_cast<int>(socket), data, static_cast<size_t>(length), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

void SocketClose(Socket socket) {
    if (socket != kInvalidSocket) ::close(static_cast<int>(socket));
}

void ReportError(const char* text) {
    std::perror(text);
}

void* LibraryLoad(const char* fileName) {
    return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

void* LibrarySymbol(void* module, const char* symbol) {
    return dlsym(module, symbol);
}

}  // namespace volos
