#include "http/HttpStream.h"

#include <cstring>

#include "http/HttpMemory.h"
#include "http/HttpStatus.h"

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

// Placeholder bodies so that the interface links; the framing readers land in the next commit.
int32_t HttpStream::ReadUntilClose(char**, uint32_t*) { return kHttpSocketReadFailed; }
int32_t HttpStream::ReadChunked(char**, uint32_t*, uint32_t) { return kHttpSocketReadFailed; }
int32_t HttpStream::ReadHeaderBlock(char**, uint32_t*) { return kHttpSocketReadFailed; }
int32_t HttpStream::ReadBody(uint32_t, uint32_t*, char**) { return kHttpSocketReadFailed; }
