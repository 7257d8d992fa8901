#pragma once
#include <cstddef>
#include <cstdint>

// Buffers the HTTP client hands back to its caller (bodies, header values, split URL parts, cookie
// lines) come from here, and the caller releases them with HttpFree. Every such buffer is
// zero-filled, so text always ends in a 0 byte.
void* HttpAlloc(size_t size);                          // zero-filled; null when out of memory
void HttpFree(void* buffer);                           // accepts null
char* HttpDuplicate(const char* text, size_t length);  // copy of length bytes plus a 0 byte
// Grows *buffer from oldSize to newSize bytes, zero-filling the new part. On failure *buffer is
// left as it was and false is returned.
bool HttpGrow(char** buffer, size_t oldSize, size_t newSize);

// The largest single allocation made since the last reset: lets a test see that an announced
// size alone never reserves memory.
size_t HttpLargestAllocation();
void HttpResetLargestAllocation();
