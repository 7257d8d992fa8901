#include "http/HttpDriver.h"

#include <cstring>

// The default hooks and plain accessors of the driver base class.

HttpDriver::~HttpDriver() = default;

void HttpDriver::SetOwner(HttpDriverOwner* owner) { owner_ = owner; }

void HttpDriver::OnBodyReceived(const char*, uint32_t, int32_t) {}

int32_t HttpDriver::OnAuthenticationChallenge(const char*, int32_t, const char* scheme,
                                              const char* challenge, char** credentials) {
    if (scheme == nullptr || challenge == nullptr || credentials == nullptr) return kHttpInvalidArg;
    return kHttpFailed;  // the base class has no credentials to offer
}

int32_t HttpDriver::ReadResponse(uint32_t, uint32_t* length, char** body, int32_t*) {
    return ReadResponseBody(length, body);
}

uint32_t HttpDriver::QueryContentLengthNumber() {
    char* value = nullptr;
    uint32_t valueLength = 0;
    uint32_t length = 0;
    if (QueryInfo(&value, &valueLength, nullptr, kHttpQueryContentLength | kHttpQueryFlagNumber, nullptr) == kHttpOk &&
        valueLength == 4) {
        int32_t number = 0;
        std::memcpy(&number, value, 4);
        length = number > 0 ? static_cast<uint32_t>(number) : 0;
    }
    HttpFree(value);
    return length;
}
