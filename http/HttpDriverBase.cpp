#include "http/HttpDriver.h"

// The default hooks and plain accessors of the driver base class.

HttpDriver::~HttpDriver() = default;

void HttpDriver::SetOwner(HttpDriverOwner* owner) {
    owner_ = owner;
}

uint32_t HttpDriver::LargestBody() const {
    return requestLimits_.maxBodyLength != 0 ? requestLimits_.maxBodyLength : kHttpMaxBodyLength;
}

int32_t HttpDriver::OverLongBodyStatus() const {
    return requestLimits_.maxBodyLength != 0 ? kHttpBodyTooLong : kHttpMalformed;
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
