#pragma once
// The HTTP driver interface: one abstract class, HttpDriver, with the request flows written once
// here (Get, GetRange, Post, PostFromSource, Put, Head and the response step) on top of primitives
// that each driver supplies.
//
// A driver MUST implement these pure virtuals:
//   destructor, Connect, ConnectUrl, ReservedA, ReservedB, OpenRequest, AddRequestHeaders,
//   SendRequest, SendRequestFromSource, BeginRequest, WriteData, EndRequest, QueryInfo,
//   QueryOption, SetOption, GetDriverType, ReadBody, CrackUrlAndConnect,
//   HandleAuthenticationChallenge, MarkConnectionClosed.
// A driver MAY override ReadResponse (both drivers do); the base version forwards to
// ReadResponseBody. Everything else has a base implementation that drivers normally keep.
//
// Buffers handed back through out-arguments (bodies, header values, hosts, paths, locations)
// come from HttpAlloc and belong to the caller, who releases them with HttpFree. A body buffer is
// one byte longer than the body and that byte is 0.
//
// A caller that does not want a response body passes HttpDiscardBody() and HttpDiscardLength()
// (the value 1, not valid pointers) as both body out-arguments.

#include <cstdint>
#include <utility>

#include "http/HttpBodySource.h"
#include "http/HttpFileStatus.h"
#include "http/HttpFraming.h"
#include "http/HttpLimits.h"
#include "http/HttpMemory.h"
#include "http/HttpRequestLimits.h"
#include "http/HttpStatus.h"

// Whoever owns a driver (the holder). Head re-enters through it on a redirect, so that the owner's
// choice of driver for the new URL applies.
class HttpDriverOwner {
public:
    virtual int32_t Head(const char* url, HttpFileStatus* record) = 0;

protected:
    ~HttpDriverOwner() = default;
};

inline char** HttpDiscardBody() {
    return reinterpret_cast<char**>(static_cast<uintptr_t>(1));
}
inline uint32_t* HttpDiscardLength() {
    return reinterpret_cast<uint32_t*>(static_cast<uintptr_t>(1));
}

// What the response step draws from a response header block, once: ParseResponseHeaders, the
// response step and Head all read it.
struct HttpAnswerFacts {
    int32_t status = 0;
    int32_t minorVersion = 0;
    int32_t keepAlive = 1;
    char* location = nullptr;  // HttpAlloc'd; the caller releases it
    int32_t notPlainText = 0;
    HttpBodyFraming framing;
};

class HttpDriver {
public:
    HttpDriver() = default;
    HttpDriver(const HttpDriver&) = delete;
    HttpDriver& operator=(const HttpDriver&) = delete;

    virtual ~HttpDriver();

    // ---- Connection ----
    virtual int32_t Connect(const char* server, uint16_t port, int32_t accessType) = 0;
    virtual int32_t ConnectUrl(const char* url) = 0;

    // ---- Request flows (base) ----
    virtual int32_t Get(const char* url, uint32_t flags, char** body, uint32_t* bodyLength, int32_t* keepAlive);
    virtual int32_t GetRange(const char* url, uint32_t flags, int32_t rangeMode, uint32_t first, uint32_t count,
                             char** body, uint32_t* bodyLength, int32_t* keepAlive);
    virtual int32_t PostFromSource(const char* url, uint32_t flags, int32_t contentType, HttpBodySource* source,
                                   int32_t* keepAlive, char** body, uint32_t* bodyLength);
    virtual int32_t Post(const char* url, uint32_t flags, const char* body, uint32_t bodyLength, int32_t contentType,
                         int32_t* keepAlive, char** responseBody, uint32_t* responseLength);
    // Returns 0 for a 200 answer and any other final status as it is (positive, e.g. 404).
    virtual int32_t Head(const char* url, uint32_t flags, HttpFileStatus* record);
    virtual int32_t Put(const char* url, uint32_t flags, const char* body, uint32_t bodyLength, int32_t contentType,
                        int32_t* keepAlive);

    virtual int32_t ReservedA(void* argument) = 0;  // always kHttpFailed
    virtual int32_t ReservedB(void* argument) = 0;  // always kHttpFailed

    // ---- Primitives (driver) ----
    // acceptTypes is always null here.
    virtual int32_t OpenRequest(const char* method, const char* url, uint32_t flags,
                                const char* const* acceptTypes) = 0;
    // headers: one or more lines, each ending in CR LF; modifiers: kHttpAddReq*.
    virtual int32_t AddRequestHeaders(const char* headers, uint32_t modifiers) = 0;
    // BeginRequest, WriteData when a body is given, EndRequest.
    virtual int32_t SendRequest(const char* body, uint32_t length, int32_t declareLength) = 0;
    virtual int32_t SendRequestFromSource(HttpBodySource* source) = 0;
    virtual int32_t BeginRequest(int32_t declareLength, uint32_t totalLength, int32_t chunked) = 0;
    virtual int32_t WriteData(const char* data, uint32_t length) = 0;
    // Finishes the request and receives the response header block.
    virtual int32_t EndRequest() = 0;
    // value: new HttpAlloc'd buffer (text, or a 4-byte integer with kHttpQueryFlagNumber);
    // index may be null; customName exactly when the level is kHttpQueryCustom.
    virtual int32_t QueryInfo(char** value, uint32_t* valueLength, uint32_t* index, uint32_t infoLevel,
                              const char* customName) = 0;
    virtual int32_t QueryOption(uint32_t option, void* value, uint32_t* size) = 0;
    virtual int32_t SetOption(uint32_t option, const void* value, uint32_t size) = 0;

    // ---- Response body (base) ----
    virtual int32_t ReadResponseBody(uint32_t* length, char** body);
    virtual int32_t ReadResponse(uint32_t flags, uint32_t* length, char** body, int32_t* complete);

    // 'D' socket driver, 'W' WinINet driver.
    virtual char GetDriverType() = 0;
    virtual void SetOwner(HttpDriverOwner* owner);
    // Hook after each body read. It does nothing and no driver overrides it: it stays as a slot of
    // the driver interface.
    virtual void OnBodyReceived(const char* body, uint32_t length, int32_t notPlainText);

    // Parses a response header block (status line first). headers is a private copy: the header
    // names are lower-cased in place. minorVersion and keepAlive may be null. contentLength is the
    // announced length, capped at 0xFFFFFFFF (Head reads the full 64-bit value).
    virtual int32_t ParseResponseHeaders(const char* url, const char* method, char* headers, uint32_t headerLength,
                                         int32_t* minorVersion, int32_t* status, uint32_t* contentLength,
                                         int32_t* chunked, int32_t* keepAlive, char** location, int32_t* hasBody,
                                         int32_t* notPlainText, uint32_t flags);
    // Default: kHttpFailed (no credentials) when scheme, challenge and credentials are given,
    // else kHttpInvalidArg.
    virtual int32_t OnAuthenticationChallenge(const char* url, int32_t status, const char* scheme,
                                              const char* challenge, char** credentials);
    // Merges one header line into a header block (see HttpHeaderBlock.h).
    virtual int32_t MergeHeaderLine(const char* line, uint32_t modifiers, uint32_t* blockLength, char** block);

    // ---- Primitives (driver), continued ----
    // flags bit 0 (kHttpReadChunked): chunked; length in: expected (0 unknown), out: bytes read.
    virtual int32_t ReadBody(uint32_t flags, uint32_t* length, char** body) = 0;
    // host and path become the caller's (HttpAlloc); extra is set to null.
    virtual int32_t CrackUrlAndConnect(const char* url, char** host, uint16_t* port, char** path, char** extra) = 0;
    virtual int32_t HandleAuthenticationChallenge(const char* url, int32_t status, const char* headers,
                                                  uint32_t length) = 0;
    // The response carried "Connection: Close".
    virtual int32_t MarkConnectionClosed() = 0;

    HttpDriverOwner* Owner() const { return owner_; }

    // The caller's limits for the requests from now on (body bound, stall watch, keep-going
    // question); the default limits nothing beyond the client's own bounds. Not a virtual
    // operation: the interface's slots stay as they are.
    void SetRequestLimits(HttpRequestLimits limits) { requestLimits_ = std::move(limits); }
    const HttpRequestLimits& RequestLimits() const { return requestLimits_; }
    // The largest body a request may bring back, and the status of one that is longer: the
    // caller's bound (kHttpBodyTooLong), else the client's own (kHttpMalformed).
    uint32_t LargestBody() const;
    int32_t OverLongBodyStatus() const;

protected:
    // The general request; every redirect is followed through it.
    int32_t SendRequestGeneric(const char* method, const char* url, uint32_t flags, const char* extraHeaders,
                               const char* body, uint32_t bodyLength, int32_t contentType, int32_t* keepAlive,
                               char** responseBody, uint32_t* responseLength, HttpBodySource* source);
    // Reads and parses the response of the request just sent.
    int32_t ReceiveResponse(const char* url, const char* method, int32_t* status, uint32_t flags, char** location,
                            char** body, uint32_t* bodyLength, int32_t* keepAlive);
    // ParseResponseHeaders' work, with the full facts. facts->location is the caller's.
    int32_t ParseAnswer(const char* url, const char* method, char* headers, uint32_t headerLength, uint32_t flags,
                        HttpAnswerFacts* facts);
    // The framing of the response just received, from its raw header block (QueryInfo level 22).
    int32_t FramingOfCurrentResponse(bool answerToHead, HttpBodyFraming* framing);

private:
    int32_t SendRequestBounded(const char* method, const char* url, uint32_t flags, const char* extraHeaders,
                               const char* body, uint32_t bodyLength, int32_t contentType, int32_t* keepAlive,
                               char** responseBody, uint32_t* responseLength, HttpBodySource* source,
                               int redirectsLeft);

    HttpDriverOwner* owner_ = nullptr;
    HttpRequestLimits requestLimits_;
};
