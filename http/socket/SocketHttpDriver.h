#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "http/HttpDriver.h"
#include "http/socket/HttpSocket.h"

// The driver that speaks HTTP/1.x itself over a plain TCP connection: it writes the request text
// byte for byte, reads the response header block and reads bodies by length, chunked or until
// close. It goes through the proxy named by "Proxy" (port 8080) and keeps its connection between
// requests, reusing it after checking that the server has not closed it. No TLS.
class SocketHttpDriver : public HttpDriver {
public:
    static constexpr const char* kDefaultAgent = "VOLNIR HTTP CLIENT/v2.0-HV\r\n";

    // agent may be null (the default agent); it should end with CR LF (one is added otherwise).
    SocketHttpDriver(const char* agent, uint16_t major, uint16_t minor);
    ~SocketHttpDriver() override;

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
    char GetDriverType() override { return 'D'; }
    int32_t ReadBody(uint32_t flags, uint32_t* length, char** body) override;
    int32_t CrackUrlAndConnect(const char* url, char** host, uint16_t* port, char** path, char** extra) override;
    int32_t HandleAuthenticationChallenge(const char* url, int32_t status, const char* headers,
                                          uint32_t length) override;
    int32_t MarkConnectionClosed() override;

    // The request text: request line, Host line, extraLines, the keep-alive line of the flags and
    // the pending lines (with the accept line merged in). *block: HttpAlloc'd, no final empty line.
    virtual int32_t BuildRequest(const char* method, const char* target, const char* extraLines, uint32_t flags,
                                 const char* acceptLine, char** block, uint32_t* length);

    // Bounds each receive of connections made from now on (0: no bound). A receive that runs out
    // of time fails that request with kHttpTimeout and closes its connection.
    void SetReceiveTimeoutMs(int32_t milliseconds);

    uint16_t MajorVersion() const { return major_; }
    uint16_t MinorVersion() const { return minor_; }
    const std::string& Agent() const { return agent_; }

private:
    // A request URL cracked once: the server, its port and the request target (absolute through
    // the proxy).
    struct RequestUrl {
        std::string url;
        std::string host;
        uint16_t port = 0;
        std::string target;
    };
    int32_t CrackRequestUrl(const char* url, RequestUrl* out) const;
    // Reuses the connection for url's server when it can carry a new request, else connects.
    int32_t ConnectFor(const RequestUrl& url);

    static constexpr uint32_t kChunkedUpload = 0x01;
    static constexpr uint32_t kHeaderBlockSent = 0x10;

    int32_t AddLineOnce(const char* line);
    bool SendAll(const std::string& text);
    int32_t SendHeaderBlock();
    // A kept-alive connection that the server closed while idle fails the first send or read of
    // the next request; that request goes again once on a fresh connection.
    bool MayRetryOnFreshConnection() const;
    int32_t Reconnect();
    int32_t ReadFailureStatus(int32_t readStatus) const;
    void ReleaseBlock(char** block, uint32_t* length);
    bool UsesProxy() const { return !proxyHost_.empty(); }

    uint16_t port_ = 0;
    uint16_t major_ = 1;
    uint16_t minor_ = 1;
    uint32_t requestState_ = 0;
    std::string agent_;
    std::string userAgentLine_;
    char* responseBlock_ = nullptr;
    uint32_t responseLength_ = 0;
    char* requestBlock_ = nullptr;
    uint32_t requestLength_ = 0;
    char* pendingBlock_ = nullptr;
    uint32_t pendingLength_ = 0;
    std::unique_ptr<HttpSocket> socket_;
    uint16_t connectedPort_ = 0;  // port of the server the socket was connected for
    bool reusedConnection_ = false;
    bool bodyWritten_ = false;
    std::string proxyHost_;
    int32_t receiveTimeoutMs_ = kHttpSocketReceiveTimeoutMs;
    // The answer to the request in flight: how its body is framed, and whether it was read to its
    // end. A connection is reused only after a finished answer.
    bool answerToHead_ = false;
    HttpBodyFraming framing_;
    bool answerFinished_ = true;
    RequestUrl cracked_;  // the URL of the open request
};
