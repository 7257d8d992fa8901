// A body read until the server closes stops at the largest body the client accepts, and its
// buffer never grows past that size. The body would take a gigabyte: this program's HttpAlloc
// hands out mappings that are never touched, and the stream reports bytes it never writes, so
// nothing of that size is ever in memory.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>

#include "http/HttpLimits.h"
#include "http/HttpMemory.h"
#include "http/HttpStatus.h"
#include "http/HttpStream.h"

namespace {

size_t largest = 0;

struct MappingHeader {
    size_t size;  // bytes after the header
};
constexpr size_t kHeaderSize = 64;

void* Map(size_t size) {
    if (size > largest) largest = size;
    void* mapping =
        mmap(nullptr, size + kHeaderSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping == MAP_FAILED) return nullptr;
    static_cast<MappingHeader*>(mapping)->size = size;
    return static_cast<char*>(mapping) + kHeaderSize;
}

MappingHeader* HeaderOf(void* buffer) {
    return reinterpret_cast<MappingHeader*>(static_cast<char*>(buffer) - kHeaderSize);
}

// Stands for the given number of body bytes, then closes; the bytes are never written.
class UnwrittenBody : public HttpStream {
public:
    explicit UnwrittenBody(uint64_t length) : left_(length) {}
    int32_t Send(const char*, uint32_t) override { return -1; }
    int32_t ReceiveFill(char*, uint32_t capacity, uint32_t* count) override {
        *count = left_ < capacity ? static_cast<uint32_t>(left_) : capacity;
        left_ -= *count;
        return *count == capacity ? 1 : 0;
    }
    int32_t ReceiveLine(char*, uint32_t, uint32_t* count) override {
        *count = 0;
        return 0;
    }
    int32_t WaitReadable(int32_t) override { return 0; }

private:
    uint64_t left_;
};

TEST(HttpBodyLimit, BodyUntilCloseStopsAtTheLargestBody) {
    struct Case {
        uint64_t length;
        int32_t status;
    };
    const Case cases[] = {
        {kHttpMaxBodyLength, kHttpOk},
        {kHttpMaxBodyLength + uint64_t{1}, kHttpMalformed},
        {uint64_t{kHttpMaxBodyLength} * 2, kHttpMalformed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        largest = 0;
        UnwrittenBody stream(c.length);
        char* body = nullptr;
        uint32_t length = 0;
        EXPECT_EQ(stream.ReadUntilClose(&body, &length), c.status);
        EXPECT_LE(largest, size_t{kHttpMaxBodyLength} + 1) << "a buffer larger than any body was asked for";
        if (c.status == kHttpOk) {
            EXPECT_EQ(length, c.length);
        }
        HttpFree(body);
    }
}

}  // namespace

// The allocator of this program: untouched mappings, so that a gigabyte costs no memory.
void* HttpAlloc(size_t size) {
    return Map(size == 0 ? 1 : size);
}

void HttpFree(void* buffer) {
    if (buffer == nullptr) return;
    MappingHeader* header = HeaderOf(buffer);
    munmap(header, header->size + kHeaderSize);
}

char* HttpDuplicate(const char* text, size_t length) {
    char* copy = static_cast<char*>(HttpAlloc(length + 1));
    if (copy != nullptr && length != 0) std::memcpy(copy, text, length);
    return copy;
}

bool HttpGrow(char** buffer, size_t oldSize, size_t newSize) {
    if (newSize <= oldSize) return true;
    if (newSize > largest) largest = newSize;
    MappingHeader* header = HeaderOf(*buffer);
    void* grown = mremap(header, header->size + kHeaderSize, newSize + kHeaderSize, MREMAP_MAYMOVE);
    if (grown == MAP_FAILED) return false;
    static_cast<MappingHeader*>(grown)->size = newSize;
    *buffer = static_cast<char*>(grown) + kHeaderSize;
    return true;
}

size_t HttpLargestAllocation() {
    return largest;
}

void HttpResetLargestAllocation() {
    largest = 0;
}
