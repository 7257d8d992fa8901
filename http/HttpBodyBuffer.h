#pragma once
#include <cstddef>
#include <cstdint>

// The buffer every body is received into, in both drivers: an HttpAlloc'd block with room for one
// 0 byte after its data. Readers ask for room as bytes arrive (at most kHttpBodyGrowthStep at a
// time), never for a length a server only announced. Released unless handed over.
class HttpBodyBuffer {
public:
    HttpBodyBuffer() = default;
    ~HttpBodyBuffer();
    HttpBodyBuffer(const HttpBodyBuffer&) = delete;
    HttpBodyBuffer& operator=(const HttpBodyBuffer&) = delete;

    // Makes room for at least `free` more bytes after the data, growing to the larger of that and
    // twice the capacity. False when out of memory.
    bool MakeRoom(uint32_t free);
    char* End() { return data_ + length_; }
    uint32_t Length() const { return length_; }
    // Room after the data.
    uint32_t Free() const { return capacity_ - length_; }
    void Advance(uint32_t count) { length_ += count; }
    // Hands the data to the caller: *out gets the buffer (0 byte after the data), *length its size.
    // Makes a buffer for an empty body too. False when out of memory.
    bool HandOver(char** out, uint32_t* length);

private:
    char* data_ = nullptr;
    uint32_t capacity_ = 0;  // bytes for data; one more is allocated for the 0 byte
    uint32_t length_ = 0;
};
