#include "http/HttpDriverHolder.h"

#include <cstring>

#include "http/HttpDriverFactory.h"
#include "http/socket/SocketHttpDriver.h"

HttpDriverHolder::HttpDriverHolder(const char* agent, uint16_t major, uint16_t minor) {
    driver_ = CreateHttpDriver(agent, major, minor, this);
}

HttpDriverHolder::~HttpDriverHolder() {
    Release();
}

void HttpDriverHolder::Release() {
    delete driver_;
    driver_ = nullptr;
}

uint32_t HttpDriverHolder::DriverFlags(uint32_t callerFlags) {
    if ((callerFlags & 0xF) == 1) return (callerFlags - 1) | kHttpFlagKeepAlive;
    return callerFlags;
}

int32_t HttpDriverHolder::PrepareFor(const char* url) {
    if (driver_ == nullptr) return kHttpFailed;
    if (url == nullptr || std::strncmp(url, "https://", 8) != 0 || driver_->GetDriverType() != 'D') return kHttpOk;
    // Without WinINet nothing here speaks TLS: say so and keep the socket driver.
    if (!HttpWinInetAvailable()) return kHttpSchemeNotSupported;
    uint16_t major = 1;
    uint16_t minor = 1;
    if (auto* socketDriver = dynamic_cast<SocketHttpDriver*>(driver_)) {
        major = socketDriver->MajorVersion();
        minor = socketDriver->MinorVersion();
    }
    HttpDriver* replacement = CreateWinInetHttpDriver(kTlsSwitchAgent, major, minor);
    delete driver_;
    driver_ = replacement;
    if (driver_ == nullptr) return kHttpFailed;
    driver_->SetOwner(this);
    driver_->SetRequestLimits(limits_);
    return kHttpOk;
}

void HttpDriverHolder::SetRequestLimits(const HttpRequestLimits& limits) {
    limits_ = limits;
    if (driver_ != nullptr) driver_->SetRequestLimits(limits_);
}

int32_t HttpDriverHolder::Get(const char* url, uint32_t flags, char** body, uint32_t* bodyLength, int32_t* keepAlive) {
    int32_t result = PrepareFor(url);
    if (result != kHttpOk) return result;
    return driver_->Get(url, DriverFlags(flags), body, bodyLength, keepAlive);
}

int32_t HttpDriverHolder::GetRange(const char* url, uint32_t flags, int32_t rangeMode, uint32_t first, uint32_t count,
                                   char** body, uint32_t* bodyLength, int32_t* keepAlive) {
    int32_t result = PrepareFor(url);
    if (result != kHttpOk) return result;
    return driver_->GetRange(url, DriverFlags(flags), rangeMode, first, count, body, bodyLength, keepAlive);
}

int32_t HttpDriverHolder::Head(const char* url, HttpFileStatus* record) {
    int32_t result = PrepareFor(url);
    if (result != kHttpOk) return result;
    return driver_->Head(url, 0, record);
}

int32_t HttpDriverHolder::QueryInfo(char** value, uint32_t* valueLength, uint32_t* index, uint32_t infoLevel,
                                    const char* customName) {
    if (driver_ == nullptr) return kHttpFailed;
    return driver_->QueryInfo(value, valueLength, index, infoLevel, customName);
}

int32_t HttpDriverHolder::Get(const char* url, HttpOwnedBuffer* body) {
    int32_t keepAlive = 0;
    return Get(url, 0, body->Out(), &body->length, &keepAlive);
}

int32_t HttpDriverHolder::GetSlice(const char* url, uint32_t first, uint32_t count, HttpOwnedBuffer* body) {
    int32_t keepAlive = 0;
    return GetRange(url, kHttpFlagKeepAlive, kHttpRangeFirstCount, first, count, body->Out(), &body->length,
                    &keepAlive);
}

int32_t HttpDriverHolder::ResponseHeader(uint32_t infoLevel, const char* customName, HttpOwnedBuffer* value) {
    uint32_t index = 0;
    return QueryInfo(value->Out(), &value->length, &index, infoLevel, customName);
}
