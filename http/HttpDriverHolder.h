#pragma once
#include <cstdint>

#include "http/HttpDriver.h"
#include "http/HttpOwnedBuffer.h"

// The HTTP client's one entry point for the setup: it gets a driver from the factory, owns it,
// switches a socket driver to the WinINet driver on the first "https://" URL, and forwards the few
// operations the setup uses. One thread uses a holder; nothing in it is locked.
class HttpDriverHolder : public HttpDriverOwner {
public:
    // Agent of the WinINet driver that replaces a socket driver for TLS.
    static constexpr const char* kTlsSwitchAgent = "VOLNIR HTTP CLIENT v2.1-HV";

    HttpDriverHolder(const char* agent, uint16_t major, uint16_t minor);
    ~HttpDriverHolder();
    HttpDriverHolder(const HttpDriverHolder&) = delete;
    HttpDriverHolder& operator=(const HttpDriverHolder&) = delete;

    // Deletes the driver; safe to call twice.
    void Release();

    int32_t Get(const char* url, uint32_t flags, char** body, uint32_t* bodyLength, int32_t* keepAlive);
    int32_t GetRange(const char* url, uint32_t flags, int32_t rangeMode, uint32_t first, uint32_t count, char** body,
                     uint32_t* bodyLength, int32_t* keepAlive);
    int32_t Head(const char* url, HttpFileStatus* record) override;
    int32_t QueryInfo(char** value, uint32_t* valueLength, uint32_t* index, uint32_t infoLevel, const char* customName);

    // The setup's view of a download: a whole file, or count bytes from first asked for with
    // keep-alive, into an owned body; then a header of that answer (kHttpQueryStatusCode, or
    // kHttpQueryCustom with a name) into an owned value.
    int32_t Get(const char* url, HttpOwnedBuffer* body);
    int32_t GetSlice(const char* url, uint32_t first, uint32_t count, HttpOwnedBuffer* body);
    int32_t ResponseHeader(uint32_t infoLevel, const char* customName, HttpOwnedBuffer* value);

    // The caller's limits for the requests made through this holder from now on, kept across the
    // switch to WinINet; the default limits nothing beyond the client's own bounds.
    void SetRequestLimits(const HttpRequestLimits& limits);

    // The current driver, or null.
    HttpDriver* Driver() const { return driver_; }

    // Flags of Get and GetRange as the driver receives them: 1 in the low four bits is a caller's
    // shorthand for keep-alive.
    static uint32_t DriverFlags(uint32_t callerFlags);

private:
    // Applies the TLS switch for url; a status other than 0 ends the call.
    int32_t PrepareFor(const char* url);

    HttpDriver* driver_ = nullptr;
    HttpRequestLimits limits_;
};
