#include "http/HttpMemory.h"

#include <cstdlib>
#include <cstring>

void* HttpAlloc(size_t size) {
    if (size == 0) size = 1;
    return std::calloc(size, 1);
}

void HttpFree(void* buffer) { std::free(buffer); }

char* HttpDuplicate(const char* text, size_t length) {
    if (length == SIZE_MAX) return nullptr;
    char* copy = static_cast<char*>(HttpAlloc(length + 1));
    if (copy != nullptr && length != 0) std::memcpy(copy, text, length);
    return copy;
}

bool HttpGrow(char** buffer, size_t oldSize, size_t newSize) {
    if (newSize <= oldSize) return true;
    void* grown = std::realloc(*buffer, newSize);
    if (grown == nullptr) return false;
    *buffer = static_cast<char*>(grown);
    std::memset(*buffer + oldSize, 0, newSize - oldSize);
    return true;
}
