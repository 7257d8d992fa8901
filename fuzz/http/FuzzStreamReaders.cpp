#include <algorithm>
#include <cstdint>
#include <string>

#include "http/HttpLimits.h"
#include "http/HttpMemory.h"
#include "http/HttpStatus.h"
#include "tests/http/unit/support/MemoryStream.h"

// The framing readers over an in-memory stream: a header block, then a body read chunked, by an
// announced length, or until close. The first two bytes choose the receive piece size, the body
// mode, and where the connection breaks.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t piece = 1 + (data[0] & 0x3F);
    uint8_t mode = data[1];
    std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    size_t failAfter = (mode & 0x80) != 0 ? bytes.size() / 2 : MemoryStream::kNoFailure;
    MemoryStream stream(bytes, piece, failAfter);

    char* block = nullptr;
    uint32_t blockLength = 0;
    if ((mode & 0x40) != 0) {
        // Oracle: the block is the input up to its first CR LF CR LF, whatever the receive pieces,
        // unless that end is never received or a bound is passed on the way.
        std::string received = bytes.substr(0, std::min(bytes.size(), failAfter));
        size_t end = received.find("\r\n\r\n");
        bool expectBlock = end != std::string::npos && end + 4 <= kHttpMaxHeaderBlockLength;
        for (size_t lineStart = 0; expectBlock && lineStart < end + 4;) {
            size_t lineEnd = received.find("\r\n", lineStart) + 2;
            if (lineEnd - lineStart > kHttpMaxHeaderLineLength) expectBlock = false;
            lineStart = lineEnd;
        }
        int32_t result = stream.ReadHeaderBlock(&block, &blockLength);
        if (expectBlock != (result == kHttpOk)) __builtin_trap();
        if (result == kHttpOk) {
            if (received.compare(0, end + 4, block, blockLength) != 0 || block[blockLength] != '\0') __builtin_trap();
        } else if (block != nullptr) {
            __builtin_trap();
        }
        HttpFree(block);
    }

    char* body = nullptr;
    uint32_t length = 0;
    uint32_t flags = 0;
    switch (mode & 0x3) {
        case 0:
            flags = kHttpReadChunked;
            break;
        case 1:
            flags = kHttpReadChunked | kHttpFlagFirstPieceOnly;
            break;
        case 2:
            length = static_cast<uint32_t>(bytes.size() / 2 + (mode >> 2 & 0xF));
            break;
        default:
            length = 0;
            break;  // until close
    }
    int32_t result = stream.ReadBody(flags, &length, &body);
    if (result == kHttpOk) {
        if (body == nullptr || body[length] != '\0' || length > bytes.size()) __builtin_trap();
    } else if (body != nullptr) {
        __builtin_trap();
    }
    HttpFree(body);
    return 0;
}
