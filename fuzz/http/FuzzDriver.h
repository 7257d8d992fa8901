#pragma once
#include <cstring>
#include <memory>
#include <string>

#include "http/HttpDriver.h"
#include "tests/http/unit/support/MemoryStream.h"

// A driver whose every answer is the fuzzer's bytes: the header block up to the first empty line,
// the body after it. Header queries search the raw block the way the socket driver does.
class FuzzDriver : public HttpDriver {
public:
    FuzzDriver(const uint8_t* data, size_t size, size_t piece)
        : raw_(reinterpret_cast<const char*>(data), size), piece_(piece) {}

    int32_t Connect(const char*, uint16_t, int32_t) override { return kHttpOk; }
    int32_t ConnectUrl(const char*) override { return kHttpOk; }
    int32_t ReservedA(void*) override { return kHttpFailed; }
    int32_t ReservedB(void*) override { return kHttpFailed; }
    int32_t OpenRequest(const char*, const char*, uint32_t, const char* const*) override {
        HttpFree(block_);
        block_ = nullptr;
        blockLength_ = 0;
        return kHttpOk;
    }
    int32_t AddRequestHeaders(const char* text, uint32_t modifiers) override {
        return MergeHeaderLine(text, modifiers, &blockLength_, &block_);
    }
    int32_t SendRequest(const char*, uint32_t, int32_t) override { return EndRequest(); }
    int32_t SendRequestFromSource(HttpBodySource*) override { return EndRequest(); }
    int32_t BeginRequest(int32_t, uint32_t, int32_t) override { return kHttpOk; }
    int32_t WriteData(const char*, uint32_t) override { return kHttpOk; }
    int32_t EndRequest() override {
        // Every exchange gets the same answer, so redirect and challenge loops are exercised.
        size_t end = raw_.find("\r\n\r\n");
        size_t split = end == std::string::npos ? raw_.size() : end + 4;
        headers_ = raw_.substr(0, split);
        body_ = std::make_unique<MemoryStream>(raw_.substr(split), piece_);
        return kHttpOk;
    }
    int32_t QueryInfo(char** value, uint32_t* valueLength, uint32_t* index, uint32_t infoLevel, const char*) override {
        *value = nullptr;
        *valueLength = 0;
        uint32_t level = infoLevel & kHttpQueryLevelMask;
        if (level == kHttpQueryRawHeadersCrlf) {
            *value = HttpDuplicate(headers_.data(), headers_.size());
            *valueLength = static_cast<uint32_t>(headers_.size());
            return kHttpOk;
        }
        const char* name = level == kHttpQuerySetCookie          ? "Set-Cookie: "
                           : level == kHttpQueryTransferEncoding ? "Transfer-Encoding: "
                           : level == kHttpQueryContentLength    ? "Content-Length: "
                                                                 : nullptr;
        if (name == nullptr) return kHttpHeaderNotFound;
        uint32_t wanted = index != nullptr ? *index : 0;
        size_t position = 0;
        for (uint32_t seen = 0;; ++seen) {
            position = headers_.find(name, position);
            if (position == std::string::npos) return kHttpHeaderNotFound;
            position += std::strlen(name);
            if (seen == wanted) break;
        }
        size_t end = headers_.find("\r\n", position);
        if (end == std::string::npos) return kHttpInvalidServerResponse;
        if (index != nullptr) ++*index;
        if (level == kHttpQueryContentLength && (infoLevel & kHttpQueryFlagNumber) != 0) {
            int32_t number = std::atoi(headers_.substr(position, end - position).c_str());
            *value = static_cast<char*>(HttpAlloc(4));
            std::memcpy(*value, &number, 4);
            *valueLength = 4;
            return kHttpOk;
        }
        *value = HttpDuplicate(headers_.data() + position, end - position);
        *valueLength = static_cast<uint32_t>(end - position);
        return kHttpOk;
    }
    int32_t QueryOption(uint32_t, void*, uint32_t*) override { return kHttpOk; }
    int32_t SetOption(uint32_t, const void*, uint32_t) override { return kHttpInvalidArg; }
    char GetDriverType() override { return 'F'; }
    int32_t ReadBody(uint32_t flags, uint32_t* length, char** body) override {
        return body_ ? body_->ReadBody(flags, length, body) : kHttpNotConnected;
    }
    int32_t CrackUrlAndConnect(const char*, char**, uint16_t*, char**, char**) override { return kHttpOk; }
    int32_t HandleAuthenticationChallenge(const char*, int32_t, const char*, uint32_t) override { return kHttpOk; }
    int32_t MarkConnectionClosed() override { return kHttpOk; }
    ~FuzzDriver() override { HttpFree(block_); }

private:
    std::string raw_;
    size_t piece_;
    std::string headers_;
    std::unique_ptr<MemoryStream> body_;
    char* block_ = nullptr;
    uint32_t blockLength_ = 0;
};
