#pragma once
#include <cstdint>

// The few TCP operations the socket driver needs, over Winsock on Windows and BSD sockets
// elsewhere. Only this folder includes the operating system's socket headers.
namespace http::os {

using SocketHandle = std::intptr_t;  // 0: no socket

enum class WaitResult { Ready, TimedOut, Failed };

// Starts the socket library once per process (Winsock 2.0); a no-op where none is needed.
bool StartSockets();

// Clears the thread's last socket error (WSASetLastError (0) on Windows).
void ClearSocketError();

// Resolves a host name to its first IPv4 address, in network byte order.
bool ResolveHost(const char* host, std::uint32_t* addressNetOrder);

// A TCP socket with TCP_NODELAY set, or 0.
SocketHandle OpenTcpSocket();

// Connects to address:port (address in network order, port in host order).
bool ConnectSocket(SocketHandle socket, std::uint32_t addressNetOrder, std::uint16_t port);

// Bounds every later receive on the socket; 0 means no bound.
void SetReceiveTimeout(SocketHandle socket, int milliseconds);

// One send / recv; negative on failure, like the system calls.
int SendBytes(SocketHandle socket, const char* data, int length);
int ReceiveBytes(SocketHandle socket, char* buffer, int capacity);

// True when the last failed receive ended because the receive time-out ran out.
bool LastReceiveTimedOut();

// select() for readability; milliseconds -1 waits without limit. Retried when interrupted.
WaitResult WaitReadable(SocketHandle socket, int milliseconds);

// Closes the socket; returns the system's result (0 on success).
int CloseSocket(SocketHandle socket);

}  // namespace http::os
