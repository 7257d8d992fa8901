#include "http/HttpStream.h"

#include <cstring>

#include "http/HttpMemory.h"

HttpStream::~HttpStream() {
    HttpFree(hostName_);
}

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
