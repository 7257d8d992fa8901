#include "http/HttpDriver.h"

// The default hooks and plain accessors of the driver base class.

HttpDriver::~HttpDriver() = default;

void HttpDriver::SetOwner(HttpDriverOwner* owner) {
    owner_ = owner;
}

void HttpDriver::OnBodyReceived(const char*, uint32_t, int32_t) {}

int32_t HttpDriver::OnAuthenticationChallenge(const char*, int32_t, const char* scheme, const char* challenge,
                                              char** credentials) {
    if (scheme == nullptr || challenge == nullptr || credentials == nullptr) return kHttpInvalidArg;
    return kHttpFailed;  // the base class has no credentials to offer
}

int32_t HttpDriver::ReadResponse(uint32_t, uint32_t* length, char** body, int32_t*) {
    return ReadResponseBody(length, body);
}
