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
