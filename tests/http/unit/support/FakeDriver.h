#pragma once
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "http/HttpDriver.h"
#include "tests/http/unit/support/MemoryStream.h"

// A driver whose server is a queue of canned responses (header block and body as raw bytes). It
// composes each request as the socket driver puts it on the wire, so tests can compare the bytes,
// and records the primitives the flows call.
class FakeDriver : public HttpDriver {
public:
    FakeDriver() = default;
    ~FakeDriver() override;

    void Respond(std::string raw) { responses.push_back(std::move(raw)); }

    // Scripted answers and what was seen.
    std::deque<std::string> responses;
    std::vector<std::string> requests;  // each request's bytes as sent
    std::vector<std::string> calls;     // "OpenRequest GET <url>", "ConnectUrl <url>", ...
    int32_t challengeAnswer = 0;        // result of HandleAuthenticationChallenge
    int markedClosed = 0;
    uint32_t lastReadFlags = 0;
    bool bodyRead = false;

    int32_t Connect(const char*, uint16_t, int32_t) override { return kHttpOk; }
    int32_t ConnectUrl(const char* url) override;
    int32_t ReservedA(void*) override { return kHttpFailed; }
    int32_t ReservedB(void*) override { return kHttpFailed; }
    int32_t OpenRequest(const char* method, const char* url, uint32_t flags, const char* const* acceptTypes) override;
    int32_t AddRequestHeaders(const char* headers, uint32_t modifiers) override;
    int32_t SendRequest(const char* body, uint32_t length, int32_t declareLength) override;
    int32_t SendRequestFromSource(HttpBodySource* source) override;
    int32_t BeginRequest(int32_t declareLength, uint32_t totalLength, int32_t chunked) override;
    int32_t WriteData(const char* data, uint32_t length) override;
    int32_t EndRequest() override;
    int32_t QueryInfo(char** value, uint32_t* valueLength, uint32_t* index, uint32_t infoLevel,
                      const char* customName) override;
    int32_t QueryOption(uint32_t, void*, uint32_t*) override { return kHttpOk; }
    int32_t SetOption(uint32_t, const void*, uint32_t) override { return kHttpInvalidArg; }
    char GetDriverType() override { return 'F'; }
    int32_t ReadBody(uint32_t flags, uint32_t* length, char** body) override;
    int32_t CrackUrlAndConnect(const char* url, char** host, uint16_t* port, char** path, char** extra) override;
    int32_t HandleAuthenticationChallenge(const char*, int32_t, const char*, uint32_t) override {
        return challengeAnswer;
    }
    int32_t MarkConnectionClosed() override {
        ++markedClosed;
        return kHttpOk;
    }

private:
    std::string head_;       // request line, Host, User-Agent, keep-alive line
    char* block_ = nullptr;  // header lines added to the request
    uint32_t blockLength_ = 0;
    std::string wire_;  // the request being sent
    bool chunkedUpload_ = false;
    std::string responseHeaders_;
    std::unique_ptr<MemoryStream> body_;
};

// An owner that records the URLs Head re-enters with and hands them back to its driver.
class FakeOwner : public HttpDriverOwner {
public:
    explicit FakeOwner(HttpDriver& driver) : driver_(driver) {}
    int32_t Head(const char* url, HttpFileStatus* record) override {
        urls.push_back(url);
        return driver_.Head(url, 0, record);
    }
    std::vector<std::string> urls;

private:
    HttpDriver& driver_;
};
