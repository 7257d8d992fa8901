#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "http/HttpDriver.h"
#include "http/TransferWatch.h"

// The default driver: the primitives of HttpDriver on WinINet, which does the proxies, TLS,
// chunked decoding and connection reuse. One session handle, one connection handle to the current
// server and one request handle. Windows only; the handles are kept as opaque pointers so that this
// header needs no Windows header.
class WinInetHttpDriver : public HttpDriver {
public:
    static constexpr const char* kDefaultAgent = "VOLNIR HTTP CLIENT/v2.1-HV";

    WinInetHttpDriver(const char* agent, uint16_t major, uint16_t minor);
    ~WinInetHttpDriver() override;

    int32_t Connect(const char* server, uint16_t port, int32_t accessType) override;
    int32_t ConnectUrl(const char* url) override;
    int32_t ReservedA(void* argument) override;
    int32_t ReservedB(void* argument) override;
    int32_t OpenRequest(const char* method, const char* url, uint32_t flags, const char* const* acceptTypes) override;
    int32_t AddRequestHeaders(const char* headers, uint32_t modifiers) override;
    int32_t SendRequest(const char* body, uint32_t length, int32_t declareLength) override;
    int32_t SendRequestFromSource(HttpBodySource* source) override;
    int32_t BeginRequest(int32_t declareLength, uint32_t totalLength, int32_t chunked) override;
    int32_t WriteData(const char* data, uint32_t length) override;
    int32_t EndRequest() override;
    int32_t QueryInfo(char** value, uint32_t* valueLength, uint32_t* index, uint32_t infoLevel,
                      const char* customName) override;
    int32_t QueryOption(uint32_t option, void* value, uint32_t* size) override;
    int32_t SetOption(uint32_t option, const void* value, uint32_t size) override;
    int32_t ReadResponse(uint32_t flags, uint32_t* length, char** body, int32_t* complete) override;
    char GetDriverType() override { return 'W'; }
    int32_t ReadBody(uint32_t flags, uint32_t* length, char** body) override;
    int32_t CrackUrlAndConnect(const char* url, char** host, uint16_t* port, char** path, char** extra) override;
    int32_t HandleAuthenticationChallenge(const char* url, int32_t status, const char* headers,
                                          uint32_t length) override;
    int32_t MarkConnectionClosed() override;

    uint16_t MajorVersion() const { return major_; }
    uint16_t MinorVersion() const { return minor_; }
    const std::string& Agent() const { return agent_; }
    // The server of the current connection handle (empty when there is none).
    const std::string& Server() const { return server_; }
    // Identity of the current connection handle, so that callers can see whether it was kept.
    const void* ConnectionHandle() const { return connection_; }

private:
    struct CrackedUrl;
    int32_t Crack(const char* url, CrackedUrl* out);
    int32_t RetryAfterCertificateError(uint32_t error);
    // Begins and writes a request through beginAndWrite, then ends it; sends again after a
    // certificate error that the user or the flags let pass, or when WinINet asks for it.
    int32_t SendWithRetries(const std::function<int32_t(int attempt)>& beginAndWrite);
    void CopyCredentialsToRequest();
    void CloseRequest();
    // Waits through the watch until WinINet has data (or the end) for the open request.
    int32_t AwaitData(unsigned long* available);

    static constexpr uint32_t kChunkedUpload = 0x00000001;
    static constexpr uint32_t kRequestBegun = 0x00000010;
    static constexpr uint32_t kRequestOpen = 0x00000040;
    static constexpr uint32_t kCredentialsSet = 0x10000000;

    uint16_t major_ = 1;
    uint16_t minor_ = 1;
    uint16_t port_ = 0;
    int32_t scheme_ = 0;
    std::string agent_;
    std::string server_;
    void* session_ = nullptr;
    void* connection_ = nullptr;
    void* request_ = nullptr;
    uint32_t securityFlags_ = 0;
    uint32_t requestState_ = 0;
    int64_t contentState_ = -2;
    char* pendingBlock_ = nullptr;
    uint32_t pendingLength_ = 0;
    uint32_t receiveTimeoutMs_ = kHttpWinInetReceiveTimeoutMs;
    uint32_t sendTimeoutMs_ = kHttpWinInetSendTimeoutMs;
    uint32_t connectTimeoutMs_ = kHttpWinInetConnectTimeoutMs;
    bool answerToHead_ = false;  // the open request is a HEAD: its answer has no body
    void* parentWindow_ = nullptr;
    std::unique_ptr<CrackedUrl> cracked_;  // the URL of the open request, cracked once
    TransferWatch watch_;                  // the caller's limits on the open request's answer
};
