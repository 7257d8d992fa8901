#include "http/HttpStream.h"

#include <cstring>

#include "http/HttpLimits.h"
#include "http/HttpMemory.h"
#include "http/HttpStatus.h"

namespace {

constexpr uint32_t kLineBufferSize = 1024;
constexpr uint32_t kUntilCloseStartSize = 2048;

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

// A heap buffer that always keeps one zero byte after its data; released unless handed over.
class BodyBuffer {
public:
    ~BodyBuffer() { HttpFree(data_); }
    bool Reserve(uint32_t dataCapacity) {
        size_t wanted = static_cast<size_t>(dataCapacity) + 1;
        if (data_ == nullptr) {
            data_ = static_cast<char*>(HttpAlloc(wanted));
            if (data_ == nullptr) return false;
            allocated_ = wanted;
            return true;
        }
        if (wanted <= allocated_) return true;
        if (!HttpGrow(&data_, allocated_, wanted)) return false;
        allocated_ = wanted;
        return true;
    }
    char* End() { return data_ + length_; }
    uint32_t Length() const { return length_; }
    uint32_t Capacity() const { return allocated_ == 0 ? 0 : static_cast<uint32_t>(allocated_ - 1); }
    void Advance(uint32_t count) { length_ += count; }
    void HandOver(char** out, uint32_t* length) {
        *out = data_;
        *length = length_;
        data_ = nullptr;
    }

private:
    char* data_ = nullptr;
    size_t allocated_ = 0;
    uint32_t length_ = 0;
};

// Appends exactly size bytes from the stream to body. The buffer grows with the data that
// actually arrives, so an announced size alone never reserves much memory.
int32_t ReceiveExactlyInto(HttpStream& stream, uint32_t size, BodyBuffer* body) {
    uint32_t wanted = body->Length() + size;
    while (body->Length() < wanted) {
        uint32_t remaining = wanted - body->Length();
        uint32_t step = remaining < kHttpBodyGrowthStep ? remaining : kHttpBodyGrowthStep;
        if (!body->Reserve(body->Length() + step)) return kHttpStreamOutOfMemory;
        uint32_t received = 0;
        int32_t result = stream.ReceiveFill(body->End(), step, &received);
        if (result < 0 || received != step) return kHttpReadFailed;
        body->Advance(step);
    }
    return kHttpOk;
}

}  // namespace

HttpStream::~HttpStream() { HttpFree(hostName_); }

bool HttpStream::SetHostName(const char* host) {
    char* copy = host != nullptr ? HttpDuplicate(host, std::strlen(host)) : nullptr;
    if (host != nullptr && copy == nullptr) return false;
    HttpFree(hostName_);
    hostName_ = copy;
    return true;
}

int32_t HttpStream::Close() {
    HttpFree(hostName_);
    hostName_ = nullptr;
    state_ = kClosed;
    return 0;
}

int32_t HttpStream::ReadHeaderBlock(char** buffer, uint32_t* length) {
    if (buffer == nullptr || length == nullptr) return kHttpInvalidArg;
    *buffer = nullptr;
    *length = 0;
    BodyBuffer block;
    uint32_t lineStart = 0;  // where the line being received began
    for (;;) {
        if (!block.Reserve(block.Length() + kLineBufferSize)) return kHttpStreamOutOfMemory;
        uint32_t count = 0;
        int32_t result = ReceiveLine(block.End(), kLineBufferSize, &count);
        if (result < 1 || count == 0 || count > kLineBufferSize) return kHttpSocketReadFailed;
        block.Advance(count);
        if (block.Length() > kHttpMaxHeaderBlockLength) return kHttpMalformed;
        char* data = block.End() - block.Length();
        if (!EndsWithCrLf(data, block.Length())) {
            // A line longer than one receive arrives in pieces; only a complete line ends it.
            if (block.Length() - lineStart > kHttpMaxHeaderLineLength) return kHttpMalformed;
            continue;
        }
        uint32_t lineLength = block.Length() - lineStart;
        // The empty line is a CR LF on its own, not the tail piece of a long line.
        if (lineLength == 2) break;
        lineStart = block.Length();
    }
    block.HandOver(buffer, length);
    return kHttpOk;
}

int32_t HttpStream::ReadUntilClose(char** buffer, uint32_t* total) {
    if (buffer == nullptr || total == nullptr) return kHttpInvalidArg;
    *buffer = nullptr;
    *total = 0;
    BodyBuffer body;
    uint32_t capacity = kUntilCloseStartSize;
    for (;;) {
        if (!body.Reserve(capacity)) return kHttpStreamOutOfMemory;
        uint32_t count = 0;
        int32_t result = ReceiveFill(body.End(), capacity - body.Length(), &count);
        if (count > capacity - body.Length()) return kHttpSocketReadFailed;
        body.Advance(count);
        if (result < 0) return result;
        if (result == 0) break;
        if (body.Length() < capacity) continue;  // a short fill that still reports success
        if (capacity >= kHttpMaxBodyLength) return kHttpMalformed;
        // Doubling keeps the copying linear in the body size.
        capacity = capacity > kHttpMaxBodyLength / 2 ? kHttpMaxBodyLength : capacity * 2;
    }
    body.HandOver(buffer, total);
    return kHttpOk;
}

int32_t HttpStream::ReadChunked(char** buffer, uint32_t* length, uint32_t flags) {
    if (buffer == nullptr || length == nullptr) return kHttpInvalidArg;
    *buffer = nullptr;
    *length = 0;
    BodyBuffer body;
    if (!body.Reserve(0)) return kHttpStreamOutOfMemory;
    char line[kHttpMaxChunkSizeLineLength];
    for (;;) {
        uint32_t count = 0;
        int32_t result = ReceiveLine(line, sizeof line, &count);
        // A body cut off before its last chunk is a failed read, not a complete body.
        if (result < 1 || count > sizeof line) return kHttpReadFailed;
        if (!EndsWithCrLf(line, count)) return kHttpMalformed;
        uint32_t size = 0;
        if (!ParseChunkSize(line, count - 2, &size)) return kHttpMalformed;
        if (size > kHttpMaxBodyLength - body.Length()) return kHttpMalformed;
        result = ReceiveExactlyInto(*this, size, &body);
        if (result != kHttpOk) return result == kHttpStreamOutOfMemory ? result : kHttpReadFailed;
        char crlf[2] = {0, 0};
        uint32_t received = 0;
        result = ReceiveFill(crlf, 2, &received);
        if (result < 0 || received != 2 || crlf[0] != '\r' || crlf[1] != '\n') return kHttpReadFailed;
        if (size == 0 || (flags & kHttpFlagFirstPieceOnly) != 0) break;
    }
    body.HandOver(buffer, length);
    return kHttpOk;
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
        return ReadUntilClose(buffer, length) == kHttpOk ? kHttpOk : kHttpSocketReadFailed;
    }
    if (expected > kHttpMaxBodyLength) return kHttpMalformed;
    BodyBuffer body;
    int32_t result = ReceiveExactlyInto(*this, expected, &body);
    if (result != kHttpOk) return result == kHttpStreamOutOfMemory ? result : kHttpSocketReadFailed;
    body.HandOver(buffer, length);
    return kHttpOk;
}
