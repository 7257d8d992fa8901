#include "http/HttpStream.h"

#include "http/HttpBodyBuffer.h"
#include "http/HttpLimits.h"
#include "http/HttpMemory.h"
#include "http/HttpStatus.h"

// HttpStream's framing reads over its transport. They live apart from the stream's state
// (HttpStream.cpp), which the transports use, so that a transport and the reads it serves never
// call each other.

namespace {

bool EndsWithCrLf(const char* data, uint32_t length) {
    return length >= 2 && data[length - 2] == '\r' && data[length - 1] == '\n';
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

uint32_t HexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
    return static_cast<uint32_t>(c - 'A' + 10);
}

// The size of a chunk-size line: hexadecimal digits after optional blanks; anything after them
// (a chunk extension) is ignored. A missing, signed or oversized number is malformed.
bool ParseChunkSize(const char* line, uint32_t length, uint32_t* size) {
    uint32_t i = 0;
    while (i < length && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == length || !IsHexDigit(line[i])) return false;
    uint64_t value = 0;
    for (; i < length && IsHexDigit(line[i]); ++i) {
        value = value * 16 + HexValue(line[i]);
        if (value > kHttpMaxBodyLength) return false;
    }
    *size = static_cast<uint32_t>(value);
    return true;
}

// Appends exactly size bytes from the stream to body. The buffer grows with the data that
// actually arrives, so an announced size alone never reserves much memory.
int32_t ReceiveExactlyInto(HttpStream& stream, uint32_t size, HttpBodyBuffer* body) {
    uint32_t wanted = body->Length() + size;
    while (body->Length() < wanted) {
        uint32_t remaining = wanted - body->Length();
        uint32_t step = remaining < kHttpBodyGrowthStep ? remaining : kHttpBodyGrowthStep;
        if (!body->MakeRoom(step)) return kHttpStreamOutOfMemory;
        uint32_t received = 0;
        int32_t result = stream.ReceiveFill(body->End(), step, &received);
        if (result < 0 || received != step) return kHttpReadFailed;
        body->Advance(step);
    }
    return kHttpOk;
}

// Hands the body to the caller, or reports that the 0 byte after it found no memory.
int32_t HandOver(HttpBodyBuffer* body, char** out, uint32_t* length) {
    return body->HandOver(out, length) ? kHttpOk : kHttpStreamOutOfMemory;
}

}  // namespace

int32_t HttpStream::ReadHeaderBlock(char** buffer, uint32_t* length) {
    if (buffer == nullptr || length == nullptr) return kHttpInvalidArg;
    *buffer = nullptr;
    *length = 0;
    HttpBodyBuffer block;
    uint32_t lineStart = 0;  // where the line being received began
    for (;;) {
        if (!block.MakeRoom(kHttpLineReceiveSize)) return kHttpStreamOutOfMemory;
        uint32_t count = 0;
        int32_t result = ReceiveLine(block.End(), kHttpLineReceiveSize, &count);
        if (result < 1 || count == 0 || count > kHttpLineReceiveSize) return kHttpSocketReadFailed;
        uint32_t scanFrom = block.Length();
        block.Advance(count);
        const char* data = block.End() - block.Length();
        // A piece may start with the LF of a CR that ended the previous one: the line ends and the
        // empty line are looked for across pieces, at every byte that arrived.
        for (uint32_t i = scanFrom; i < block.Length(); ++i) {
            if (i == 0 || data[i - 1] != '\r' || data[i] != '\n') continue;
            if (i + 1 - lineStart > kHttpMaxHeaderLineLength) return kHttpMalformed;
            if (i >= 3 && data[i - 3] == '\r' && data[i - 2] == '\n') {
                if (i + 1 > kHttpMaxHeaderBlockLength) return kHttpMalformed;
                // ReceiveLine stops at a line end, so nothing past the empty line was taken.
                if (i + 1 != block.Length()) return kHttpMalformed;
                return HandOver(&block, buffer, length);
            }
            lineStart = i + 1;
        }
        if (block.Length() - lineStart > kHttpMaxHeaderLineLength) return kHttpMalformed;
        if (block.Length() > kHttpMaxHeaderBlockLength) return kHttpMalformed;
    }
}

uint32_t HttpStream::LargestBody() const {
    return bodyBound_ != 0 ? bodyBound_ : kHttpMaxBodyLength;
}

int32_t HttpStream::OverLongStatus() const {
    return bodyBound_ != 0 ? kHttpBodyTooLong : kHttpMalformed;
}

int32_t HttpStream::ReadUntilClose(char** buffer, uint32_t* total) {
    if (buffer == nullptr || total == nullptr) return kHttpInvalidArg;
    *buffer = nullptr;
    *total = 0;
    HttpBodyBuffer body;
    const uint32_t largest = LargestBody();
    for (;;) {
        uint32_t room = largest - body.Length();
        if (room == 0) {
            // As long as a body may be: the server must close now, not send one byte more.
            char extra = 0;
            uint32_t count = 0;
            int32_t result = ReceiveFill(&extra, 1, &count);
            if (result < 0) return result;
            if (count != 0) {
                if (bodyBound_ != 0) *total = largest + 1;  // what had come when it passed the bound
                return OverLongStatus();
            }
            break;
        }
        if (body.Free() == 0) {
            uint32_t step = body.Length() == 0 ? kHttpUnknownLengthStartSize : body.Length();
            if (step > room) step = room;
            if (!body.MakeRoom(step)) return kHttpStreamOutOfMemory;
        }
        if (room > body.Free()) room = body.Free();
        uint32_t count = 0;
        int32_t result = ReceiveFill(body.End(), room, &count);
        if (count > room) return kHttpSocketReadFailed;
        body.Advance(count);
        if (result < 0) return result;
        if (result == 0) break;
    }
    return HandOver(&body, buffer, total);
}

int32_t HttpStream::ReadChunked(char** buffer, uint32_t* length, uint32_t flags) {
    if (buffer == nullptr || length == nullptr) return kHttpInvalidArg;
    *buffer = nullptr;
    *length = 0;
    HttpBodyBuffer body;
    char line[kHttpMaxChunkSizeLineLength];
    for (;;) {
        uint32_t count = 0;
        int32_t result = ReceiveLine(line, sizeof line, &count);
        // A body cut off before its last chunk is a failed read, not a complete body.
        if (result < 1 || count > sizeof line) return kHttpReadFailed;
        if (!EndsWithCrLf(line, count)) return kHttpMalformed;
        uint32_t size = 0;
        if (!ParseChunkSize(line, count - 2, &size)) return kHttpMalformed;
        if (size > LargestBody() - body.Length()) {
            if (bodyBound_ == 0) return kHttpMalformed;
            // The chunk carries the body past the caller's bound: it is read up to one byte beyond.
            uint32_t past = LargestBody() - body.Length() + 1;
            result = ReceiveExactlyInto(*this, past, &body);
            if (result != kHttpOk) return result == kHttpStreamOutOfMemory ? result : kHttpReadFailed;
            *length = body.Length();
            return kHttpBodyTooLong;
        }
        result = ReceiveExactlyInto(*this, size, &body);
        if (result != kHttpOk) return result == kHttpStreamOutOfMemory ? result : kHttpReadFailed;
        char crlf[2] = {0, 0};
        uint32_t received = 0;
        result = ReceiveFill(crlf, 2, &received);
        if (result < 0 || received != 2 || crlf[0] != '\r' || crlf[1] != '\n') return kHttpReadFailed;
        if (size == 0 || (flags & kHttpFlagFirstPieceOnly) != 0) break;
    }
    return HandOver(&body, buffer, length);
}

int32_t HttpStream::ReadBody(uint32_t flags, uint32_t* length, char** buffer) {
    if (length == nullptr || buffer == nullptr) return kHttpInvalidArg;
    *buffer = nullptr;
    if ((flags & kHttpReadChunked) != 0) {
        *length = 0;
        // The chunked reader's own status tells a broken frame (-4) from a bad size (-7).
        return ReadChunked(buffer, length, flags);
    }
    uint32_t expected = *length;
    *length = 0;
    if (expected == 0) {
        int32_t result = ReadUntilClose(buffer, length);
        if (result == kHttpBodyTooLong) return result;
        return result == kHttpOk ? kHttpOk : kHttpSocketReadFailed;
    }
    if (expected > LargestBody()) {
        if (bodyBound_ != 0) *length = expected;
        return OverLongStatus();
    }
    HttpBodyBuffer body;
    int32_t result = ReceiveExactlyInto(*this, expected, &body);
    if (result != kHttpOk) return result == kHttpStreamOutOfMemory ? result : kHttpSocketReadFailed;
    return HandOver(&body, buffer, length);
}
