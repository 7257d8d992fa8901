#pragma once
#include <cstdint>
#include <string>

#include "http/HttpMemory.h"

// A buffer the HTTP client hands back (a body, a header value), owned by its holder: released
// before it receives the next one and at the end of its scope.
class HttpOwnedBuffer {
public:
    HttpOwnedBuffer() = default;
    ~HttpOwnedBuffer() { Reset(); }
    HttpOwnedBuffer(const HttpOwnedBuffer&) = delete;
    HttpOwnedBuffer& operator=(const HttpOwnedBuffer&) = delete;

    // The out-argument for the client's buffer; what was held before is released first.
    char** Out() {
        Reset();
        return &data;
    }
    void Reset() {
        HttpFree(data);
        data = nullptr;
        length = 0;
    }
    // The bytes up to length; empty without a buffer.
    std::string Text() const { return data != nullptr ? std::string(data, length) : std::string(); }

    char* data = nullptr;
    uint32_t length = 0;
};
