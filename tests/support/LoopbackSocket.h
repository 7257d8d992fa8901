#pragma once
// Plain TCP sockets on 127.0.0.1 for the tests' own peers (a trace collector, a listener that
// records what a client sends). A socket is an integer here, -1 when there is none.

#include <cstdint>

namespace loopback {

// Listens on 127.0.0.1 at a port the system chooses; returns the socket, or -1.
std::intptr_t Listen(int* port);
// Waits at most timeoutSeconds for a client; returns its connection, or -1.
std::intptr_t AcceptWithin(std::intptr_t listener, int timeoutSeconds);
// Receives at most size bytes; the count, 0 when the peer closed, negative on failure.
int Receive(std::intptr_t connection, char* buffer, int size);
// Sends size bytes at once; the count sent, negative on failure.
int Send(std::intptr_t connection, const char* data, int size);
// A receive that waits longer than timeoutSeconds fails instead.
void BoundReceives(std::intptr_t connection, int timeoutSeconds);
void Close(std::intptr_t socket);

}  // namespace loopback
