#include "http/HttpMemory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<size_t> largestAllocation{0};

void NoteAllocation(size_t size) {
    size_t seen = largestAllocation.load(std::memory_order_relaxed);
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {}
}

}  // namespace

size_t HttpLargestAllocation() {
    return largestAllocation.load(std::memory_order_relaxed);
}
void HttpResetLargestAllocation() {
    largestAllocation.store(0, std::memory_order_relaxed);
}

void* HttpAlloc(size_t size) {
    if (size == 0) size = 1;
    NoteAllocation(size);
    return std::calloc(size, 1);
}

void HttpFree(void* buffer) {
    std::free(buffer);
}

char* HttpDuplicate(const char* text, size_t length) {
    if (length == SIZE_MAX) return nullptr;
    char* copy = static_cast<char*>(HttpAlloc(length + 1));
    if (copy != nullptr && length != 0) std::memcpy(copy, text, length);
    return copy;
}

bool HttpGrow(char** buffer, size_t oldSize, size_t newSize) {
    if (newSize <= oldSize) return true;
    NoteAllocation(newSize);
    void* grown = std::realloc(*buffer, newSize);
    if (grown == nullptr) return false;
    *buffer = static_cast<char*>(grown);
    std::memset(*buffer + oldSize, 0, newSize - oldSize);
    return true;
}
