#pragma once
#include <cstdint>

// An abstract byte stream that knows HTTP framing: it reads a header block, a body by length, a
// chunked body, or a body that runs until the connection closes. The transport (a TCP socket, or
// an in-memory stream in tests) supplies Send, ReceiveFill, ReceiveLine and WaitReadable.
// Every read is bounded by HttpLimits.h, whatever the peer announces or sends.
class HttpStream {
public:
    HttpStream() = default;
    HttpStream(const HttpStream&) = delete;
    HttpStream& operator=(const HttpStream&) = delete;
    // Releases the host name and marks the stream closed.
    virtual ~HttpStream();

    // Bytes sent, or a negative value on error.
    virtual int32_t Send(const char* data, uint32_t length) = 0;
    // Receives until the buffer is full, the peer closes (0) or an error (negative). Returns the
    // last receive result: positive means the buffer was filled. *count gets the bytes received.
    virtual int32_t ReceiveFill(char* buffer, uint32_t capacity, uint32_t* count) = 0;
    // Receives until the bytes end with CR LF, the peer closes (0), an error (negative), or the
    // capacity is reached. Returns the last receive result; *count gets the bytes received.
    virtual int32_t ReceiveLine(char* buffer, uint32_t capacity, uint32_t* count) = 0;
    // Releases the host name, clears open, sets closed.
    virtual int32_t Close();
    // 0 when readable, kHttpTimeout after milliseconds (-1: no limit), kHttpEFail on error.
    virtual int32_t WaitReadable(int32_t milliseconds) = 0;

    // Reads until the peer closes. *buffer: HttpAlloc'd, 0 byte after the data.
    virtual int32_t ReadUntilClose(char** buffer, uint32_t* total);
    // Reads a chunked body. flags kHttpFlagFirstPieceOnly: stop after the first chunk.
    virtual int32_t ReadChunked(char** buffer, uint32_t* length, uint32_t flags);
    // Reads the response header block up to and including the empty line.
    virtual int32_t ReadHeaderBlock(char** buffer, uint32_t* length);
    // flags bit 0: chunked; otherwise *length in is the expected length (0: until close).
    // A body longer than the caller's bound fails with kHttpBodyTooLong, *length then being the
    // length announced or received when it passed the bound.
    virtual int32_t ReadBody(uint32_t flags, uint32_t* length, char** buffer);

    // The caller's largest body for the reads from now on; 0: the client's own, kHttpMaxBodyLength,
    // beyond which a body is malformed. The buffer never grows past the bound.
    void SetBodyBound(uint32_t maxBodyLength) { bodyBound_ = maxBodyLength; }

    // The server this stream talks to (also when it goes through a proxy).
    const char* HostName() const { return hostName_; }
    bool SetHostName(const char* host);  // false when out of memory
    bool IsOpen() const { return (state_ & kOpen) != 0; }
    bool IsMarkedClosed() const { return (state_ & kClosed) != 0; }
    void MarkOpen() { state_ = static_cast<uint16_t>((state_ | kOpen) & ~kClosed); }
    void MarkClosed() { state_ = static_cast<uint16_t>(state_ | kClosed); }

protected:
    static constexpr uint16_t kOpen = 0x1;
    static constexpr uint16_t kClosed = 0x2;

private:
    uint32_t LargestBody() const;
    // kHttpBodyTooLong past the caller's bound, kHttpMalformed past the client's own.
    int32_t OverLongStatus() const;

    uint32_t bodyBound_ = 0;
    char* hostName_ = nullptr;
    uint16_t state_ = kClosed;
};
