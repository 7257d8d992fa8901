#include "http/HttpDriver.h"

#include <cstring>
#include <string>
#include <string_view>

#include "http/CookieJar.h"
#include "http/HttpHeaderBlock.h"
#include "http/HttpPutSetting.h"
#include "http/HttpRequestText.h"
#include "http/ResponseHeaderQuery.h"

// The driver base class: the request flows written once for every driver (GET, ranged GET, POST,
// PUT, HEAD, with their authentication retries and redirects) and the response step, on top of the
// driver's primitives, and the default hooks.

namespace {

bool IsFollowedRedirect(int32_t status, uint32_t flags) {
    return status == 302 || status == 303 || (status == 301 && (flags & kHttpFlagNoFollow301) == 0);
}

bool IsAuthenticationChallenge(int32_t status) {
    return status == 401 || status == 407;
}

bool IsSuccess(int32_t status) {
    return status >= 200 && status <= 299;
}

// Where a flow's response body goes: the caller's outputs, or private storage released at the end
// when the caller passed the discard values (or the flow never hands a body back).
class BodyOutputs {
public:
    BodyOutputs(char** body, uint32_t* length) {
        discard_ = body == HttpDiscardBody() && length == HttpDiscardLength();
        body_ = discard_ ? &ownBody_ : body;
        length_ = discard_ ? &ownLength_ : length;
    }
    ~BodyOutputs() { HttpFree(ownBody_); }
    BodyOutputs(const BodyOutputs&) = delete;
    BodyOutputs& operator=(const BodyOutputs&) = delete;

    // One discard value alone would be written through as if it were a pointer.
    static bool Valid(char** body, uint32_t* length) {
        if (body == nullptr || length == nullptr) return false;
        return (body == HttpDiscardBody()) == (length == HttpDiscardLength());
    }
    bool Discarding() const { return discard_; }
    char** Body() { return body_; }
    uint32_t* Length() { return length_; }
    void Clear() {
        HttpFree(*body_);
        *body_ = nullptr;
        *length_ = 0;
    }

private:
    bool discard_ = false;
    char* ownBody_ = nullptr;
    uint32_t ownLength_ = 0;
    char** body_ = nullptr;
    uint32_t* length_ = nullptr;
};

// Head re-enters itself (directly or through the owner) for redirects and challenges; the depth
// is kept per thread because the owner may replace the driver in between.
struct HeadReentry {
    int depth = 0;
    int redirects = 0;
    int challenges = 0;
};
thread_local HeadReentry headReentry;

class HeadDepthGuard {
public:
    HeadDepthGuard() {
        if (headReentry.depth++ == 0) {
            headReentry.redirects = 0;
            headReentry.challenges = 0;
        }
    }
    ~HeadDepthGuard() { --headReentry.depth; }
    HeadDepthGuard(const HeadDepthGuard&) = delete;
    HeadDepthGuard& operator=(const HeadDepthGuard&) = delete;
};

// The value of the first header called name, or an empty view with *present false.
std::string_view HeaderValue(std::string_view text, std::string_view name, bool* present, int32_t* lookup = nullptr) {
    std::string_view value;
    int32_t result = FindHeaderValue(text, name, 0, &value);
    if (lookup != nullptr) *lookup = result;
    *present = result == kHttpOk;
    return *present ? value : std::string_view();
}

// Adds the cookie line for url; a failed lookup never stops the request.
int32_t AddCookieLine(HttpDriver& driver, const char* url) {
    char* cookies = nullptr;
    if (CookieHeaderFor(url, nullptr, &cookies, 1) != kHttpOk || cookies == nullptr) {
        HttpFree(cookies);
        return kHttpOk;
    }
    int32_t result = driver.AddRequestHeaders(cookies, kHttpAddReqCoalesceComma);
    HttpFree(cookies);
    return result;
}

}  // namespace

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

int32_t HttpDriver::Get(const char* url, uint32_t flags, char** body, uint32_t* bodyLength, int32_t* keepAlive) {
    if (url == nullptr || !BodyOutputs::Valid(body, bodyLength)) return kHttpInvalidArg;
    return SendRequestBounded("GET", url, flags, nullptr, nullptr, 0, kHttpContentNone, keepAlive, body, bodyLength,
                              nullptr, kHttpMaxRedirects);
}

int32_t HttpDriver::GetRange(const char* url, uint32_t flags, int32_t rangeMode, uint32_t first, uint32_t count,
                             char** body, uint32_t* bodyLength, int32_t* keepAlive) {
    std::string rangeLines;
    if (!RangeLines(rangeMode, first, count, &rangeLines)) return kHttpInvalidArg;
    if (url == nullptr || !BodyOutputs::Valid(body, bodyLength)) return kHttpInvalidArg;
    return SendRequestBounded("GET", url, flags, rangeLines.c_str(), nullptr, 0, kHttpContentNone, keepAlive, body,
                              bodyLength, nullptr, kHttpMaxRedirects);
}

int32_t HttpDriver::PostFromSource(const char* url, uint32_t flags, int32_t contentType, HttpBodySource* source,
                                   int32_t* keepAlive, char** body, uint32_t* bodyLength) {
    return SendRequestGeneric("POST", url, flags, nullptr, nullptr, 0, contentType, keepAlive, body, bodyLength,
                              source);
}

int32_t HttpDriver::Post(const char* url, uint32_t flags, const char* body, uint32_t bodyLength, int32_t contentType,
                         int32_t* keepAlive, char** responseBody, uint32_t* responseLength) {
    return SendRequestGeneric("POST", url, flags, nullptr, body, bodyLength, contentType, keepAlive, responseBody,
                              responseLength, nullptr);
}

int32_t HttpDriver::Put(const char* url, uint32_t flags, const char* body, uint32_t bodyLength, int32_t contentType,
                        int32_t* keepAlive) {
    // The answer's body is read and dropped.
    char* response = nullptr;
    uint32_t responseLength = 0;
    int32_t result = SendRequestGeneric("PUT", url, flags, nullptr, body, bodyLength, contentType, keepAlive, &response,
                                        &responseLength, nullptr);
    HttpFree(response);
    return result;
}

int32_t HttpDriver::SendRequestGeneric(const char* method, const char* url, uint32_t flags, const char* extraHeaders,
                                       const char* body, uint32_t bodyLength, int32_t contentType, int32_t* keepAlive,
                                       char** responseBody, uint32_t* responseLength, HttpBodySource* source) {
    if (url == nullptr || !BodyOutputs::Valid(responseBody, responseLength)) return kHttpInvalidArg;
    if (source != nullptr && body != nullptr) return kHttpInvalidArg;
    if (contentType == kHttpContentNone && (body != nullptr || bodyLength != 0)) return kHttpInvalidArg;
    return SendRequestBounded(method, url, flags, extraHeaders, body, bodyLength, contentType, keepAlive, responseBody,
                              responseLength, source, kHttpMaxRedirects);
}

int32_t HttpDriver::SendRequestBounded(const char* method, const char* url, uint32_t flags, const char* extraHeaders,
                                       const char* body, uint32_t bodyLength, int32_t contentType, int32_t* keepAlive,
                                       char** responseBody, uint32_t* responseLength, HttpBodySource* source,
                                       int redirectsLeft) {
    BodyOutputs outputs(responseBody, responseLength);
    *outputs.Body() = nullptr;
    *outputs.Length() = 0;
    uint32_t receiveFlags = flags | (outputs.Discarding() ? kHttpFlagDiscardBody : 0);

    int32_t result = OpenRequest(method, url, flags, nullptr);
    if (result < 0) return result;
    result = AddCookieLine(*this, url);
    if (result < 0) return result;
    if (const char* typeLine = ContentTypeLine(contentType)) {
        result = AddRequestHeaders(typeLine, kHttpAddReqCoalesceComma);
        if (result < 0) return result;
    }
    if (extraHeaders != nullptr) {
        result = AddRequestHeaders(extraHeaders, kHttpAddReqCoalesceComma);
        if (result < 0) return result;
    }

    auto send = [&]() -> int32_t {
        if (source != nullptr) return SendRequestFromSource(source);
        return SendRequest(body, bodyLength, contentType != kHttpContentNone ? 1 : 0);
    };
    int32_t status = 0;
    char* location = nullptr;
    result = send();
    if (result < 0) return result;
    // A failed answer hands back no body; one too long for the caller's bound keeps its length.
    auto failed = [&](int32_t code) {
        HttpFree(location);
        uint32_t length = *outputs.Length();
        outputs.Clear();
        if (code == kHttpBodyTooLong) *outputs.Length() = length;
        return code;
    };
    result =
        ReceiveResponse(url, method, &status, receiveFlags, &location, outputs.Body(), outputs.Length(), keepAlive);
    if (result < 0) return failed(result);

    if ((flags & kHttpFlagNoAuthentication) == 0) {
        for (int retry = 0; IsAuthenticationChallenge(status) && retry < kHttpMaxAuthenticationRetries; ++retry) {
            outputs.Clear();  // the challenge's own body
            ConnectUrl(url);
            if (source != nullptr) source->Rewind();
            result = send();
            if (result >= 0) {
                result = ReceiveResponse(url, method, &status, receiveFlags, &location, outputs.Body(),
                                         outputs.Length(), keepAlive);
            }
            if (result < 0) return failed(result);
        }
    }

    if (IsFollowedRedirect(status, flags)) {
        outputs.Clear();
        if (redirectsLeft <= 0) {
            HttpFree(location);
            return kHttpTooManyRedirects;
        }
        if (source != nullptr) source->Rewind();
        const char* target = location != nullptr ? location : url;
        result = SendRequestBounded(method, target, flags, extraHeaders, body, bodyLength, contentType, keepAlive,
                                    responseBody, responseLength, source, redirectsLeft - 1);
        HttpFree(location);
        return result;
    }
    HttpFree(location);
    if (IsSuccess(status)) return result;  // the body stays in the caller's outputs
    outputs.Clear();
    return HttpStatusAsFailure(status);
}

int32_t HttpDriver::ReceiveResponse(const char* url, const char* method, int32_t* status, uint32_t flags,
                                    char** location, char** body, uint32_t* bodyLength, int32_t* keepAlive) {
    HttpFree(*location);
    *location = nullptr;
    char* headers = nullptr;
    uint32_t headerLength = 0;
    int32_t result = QueryInfo(&headers, &headerLength, nullptr, kHttpQueryRawHeadersCrlf, nullptr);
    if (result < 0) return result;
    if (headers == nullptr) return kHttpInvalidServerResponse;

    HttpAnswerFacts facts;
    result = ParseAnswer(url, method, headers, headerLength, flags & ~kHttpFlagDiscardBody, &facts);
    HttpFree(headers);
    *status = facts.status;
    if (keepAlive != nullptr) *keepAlive = facts.keepAlive;
    if (result < 0) {
        HttpFree(facts.location);
        return result;
    }
    *location = facts.location;
    if (facts.keepAlive == 0) MarkConnectionClosed();  // the next request connects afresh

    // A body left unread leaves the driver's connection unfinished: the driver does not reuse it.
    bool discard = (flags & kHttpFlagDiscardBody) != 0;
    const HttpBodyFraming& framing = facts.framing;
    uint32_t length = 0;
    result = kHttpOk;
    const bool readBody = framing.kind != HttpBodyKind::None && (!discard || IsAuthenticationChallenge(*status));
    // A length beyond the caller's bound stops the request before a byte of the body is read.
    if (readBody && RequestLimits().maxBodyLength != 0 && framing.kind == HttpBodyKind::ByLength &&
        framing.length > RequestLimits().maxBodyLength) {
        *bodyLength = framing.length > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(framing.length);
        return kHttpBodyTooLong;
    }
    if (readBody) {
        length = framing.kind == HttpBodyKind::ByLength ? static_cast<uint32_t>(framing.length) : 0;
        char* received = nullptr;
        result = ReadBody(framing.kind == HttpBodyKind::Chunked ? kHttpReadChunked : 0, &length, &received);
        if (result >= 0) OnBodyReceived(received, length, facts.notPlainText);
        if (discard || result < 0) {
            HttpFree(received);
            if (result != kHttpBodyTooLong) length = 0;
        } else {
            HttpFree(*body);
            *body = received;
        }
    }

    for (uint32_t i = 0; i < kHttpMaxResponseCookies; ++i) {
        char* cookie = nullptr;
        uint32_t cookieLength = 0;
        uint32_t index = i;
        if (QueryInfo(&cookie, &cookieLength, &index, kHttpQuerySetCookie, nullptr) < 0) {
            HttpFree(cookie);
            break;
        }
        // An oversized cookie is dropped; the answer itself is still good.
        int32_t stored = cookie != nullptr && cookieLength <= kHttpMaxCookieLength ? StoreCookie(url, cookie) : kHttpOk;
        HttpFree(cookie);
        if (stored < 0) {
            HttpFree(*body);
            *body = nullptr;
            *bodyLength = 0;
            return stored;
        }
    }
    // A body too long for the caller's bound reports its length, without a body.
    *bodyLength = result < 0 && result != kHttpBodyTooLong ? 0 : length;
    return result;
}

int32_t HttpDriver::Head(const char* url, uint32_t flags, HttpFileStatus* record) {
    if (url == nullptr || record == nullptr) return kHttpInvalidArg;
    std::memset(record, 0, sizeof *record);
    HeadDepthGuard guard;

    int32_t result = OpenRequest("HEAD", url, flags, nullptr);
    if (result >= 0) result = AddCookieLine(*this, url);
    if (result >= 0) result = SendRequest(nullptr, 0, 0);
    if (result < 0) return result;

    char* headers = nullptr;
    uint32_t headerLength = 0;
    result = QueryInfo(&headers, &headerLength, nullptr, kHttpQueryRawHeadersCrlf, nullptr);
    if (result < 0) return result;
    if (headers == nullptr) return kHttpInvalidServerResponse;
    HttpAnswerFacts facts;
    result = ParseAnswer(url, "HEAD", headers, headerLength, 0, &facts);
    HttpFree(headers);
    char* location = facts.location;
    if (result < 0) {
        HttpFree(location);
        return result;
    }
    const int32_t status = facts.status;
    const uint64_t contentLength = facts.framing.announcedLength;

    bool redirect = IsFollowedRedirect(status, flags);
    bool challenge = status == 401 || (status == 407 && (flags & kHttpFlagNoAuthentication) == 0);
    if (redirect || challenge) {
        if (redirect && ++headReentry.redirects > kHttpMaxRedirects) {
            HttpFree(location);
            return kHttpTooManyRedirects;
        }
        if (challenge && ++headReentry.challenges > kHttpMaxAuthenticationRetries) {
            HttpFree(location);
            return status;
        }
        std::string next = location != nullptr ? location : url;
        HttpFree(location);
        // The owner may replace this driver for the new URL: nothing of this object is used after.
        if (HttpDriverOwner* owner = Owner()) return owner->Head(next.c_str(), record);
        return Head(next.c_str(), 0, record);
    }
    HttpFree(location);
    if (status != 200) return status;
    if (contentLength != 0) {
        record->mode = kHttpModeRegular | kHttpModeReadable;
        record->size = static_cast<int64_t>(contentLength);
    } else {
        record->mode = kHttpModeDirectory | kHttpModeReadable;
        record->size = 0;
    }
    if (!HttpPutConfigured()) record->mode = static_cast<uint16_t>(record->mode | kHttpModeWritable);
    return kHttpOk;
}

int32_t HttpDriver::ParseAnswer(const char* url, const char* method, char* headers, uint32_t headerLength,
                                uint32_t flags, HttpAnswerFacts* facts) {
    *facts = HttpAnswerFacts{};
    LowerCaseHeaderNames(headers, headerLength);
    std::string_view text(headers, headerLength);
    if (!ParseStatusLine(text, &facts->minorVersion, &facts->status)) return kHttpMalformed;
    const int32_t code = facts->status;

    bool present = false;
    if (ConnectionAsksToClose(HeaderValue(text, "connection", &present))) facts->keepAlive = 0;

    if ((flags & kHttpFlagNoAuthentication) == 0 && ((code == 407 && (flags & kHttpFlagNoChallenge407) == 0) ||
                                                     (code == 401 && (flags & kHttpFlagNoChallenge401) == 0))) {
        int32_t result = HandleAuthenticationChallenge(url, code, headers, headerLength);
        if (result < 0) return result;
    }

    int32_t result = DecideBodyFraming(text, method != nullptr && std::strcmp(method, "HEAD") == 0, &facts->framing);
    if (result != kHttpOk) return result;
    // A body longer than the client accepts is refused before a byte of it is read.
    if (facts->framing.kind == HttpBodyKind::ByLength && facts->framing.length > kHttpMaxBodyLength)
        return kHttpMalformed;

    // A 304 answers a conditional request and never names another place.
    if (code >= 300 && code <= 399 && code != 304) {
        int32_t lookup = kHttpOk;
        std::string_view location = HeaderValue(text, "location", &present, &lookup);
        if (!present) return kHttpInvalidServerResponse;
        facts->location = HttpDuplicate(location.data(), location.size());
        if (facts->location == nullptr) return kHttpOutOfMemory;
    }

    std::string_view contentType = HeaderValue(text, "content-type", &present);
    if (present)
        facts->notPlainText = contentType.size() > 1 && contentType.find("plain", 1) != std::string_view::npos ? 0 : 1;
    return kHttpOk;
}

int32_t HttpDriver::ParseResponseHeaders(const char* url, const char* method, char* headers, uint32_t headerLength,
                                         int32_t* minorVersion, int32_t* status, uint32_t* contentLength,
                                         int32_t* chunked, int32_t* keepAlive, char** location, int32_t* hasBody,
                                         int32_t* notPlainText, uint32_t flags) {
    if (headers == nullptr || status == nullptr || contentLength == nullptr || chunked == nullptr ||
        location == nullptr || hasBody == nullptr || notPlainText == nullptr) {
        return kHttpInvalidArg;
    }
    HttpAnswerFacts facts;
    int32_t result = ParseAnswer(url, method, headers, headerLength, flags, &facts);
    *status = facts.status;
    if (minorVersion != nullptr && facts.status != 0) *minorVersion = facts.minorVersion;
    if (keepAlive != nullptr) *keepAlive = facts.keepAlive;
    *chunked = facts.framing.kind == HttpBodyKind::Chunked ? 1 : 0;
    *hasBody = facts.framing.kind == HttpBodyKind::None ? 0 : 1;
    *notPlainText = facts.notPlainText;
    uint64_t length = facts.framing.kind == HttpBodyKind::Chunked ? 0 : facts.framing.announcedLength;
    *contentLength = length > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(length);
    *location = nullptr;
    if (result != kHttpOk) {
        HttpFree(facts.location);
        return result;
    }
    *location = facts.location;
    return kHttpOk;
}

int32_t HttpDriver::FramingOfCurrentResponse(bool answerToHead, HttpBodyFraming* framing) {
    char* headers = nullptr;
    uint32_t headerLength = 0;
    int32_t result = QueryInfo(&headers, &headerLength, nullptr, kHttpQueryRawHeadersCrlf, nullptr);
    if (result == kHttpOk && headers == nullptr) result = kHttpInvalidServerResponse;
    if (result == kHttpOk) result = DecideBodyFraming(std::string_view(headers, headerLength), answerToHead, framing);
    HttpFree(headers);
    return result;
}

int32_t HttpDriver::ReadResponseBody(uint32_t* length, char** body) {
    if (length == nullptr || body == nullptr) return kHttpInvalidArg;
    *length = 0;
    *body = nullptr;
    HttpBodyFraming framing;
    int32_t result = FramingOfCurrentResponse(false, &framing);
    if (result != kHttpOk) return result;
    switch (framing.kind) {
        case HttpBodyKind::None: {
            char* empty = HttpDuplicate("", 0);
            if (empty == nullptr) return kHttpOutOfMemory;
            *body = empty;
            return kHttpOk;
        }
        case HttpBodyKind::ByLength:
            if (framing.length > kHttpMaxBodyLength) return kHttpMalformed;
            *length = static_cast<uint32_t>(framing.length);
            return ReadBody(0, length, body);
        case HttpBodyKind::Chunked:
            return ReadBody(kHttpReadChunked, length, body);
        case HttpBodyKind::UntilClose:
            break;
    }
    return ReadBody(0, length, body);
}

int32_t HttpDriver::MergeHeaderLine(const char* line, uint32_t modifiers, uint32_t* blockLength, char** block) {
    return MergeHeaderText(line, modifiers, blockLength, block);
}
