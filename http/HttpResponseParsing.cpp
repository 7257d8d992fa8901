#include <cstring>
#include <string_view>

#include "http/HttpDriver.h"
#include "http/ResponseHeaderQuery.h"

// The response step's parsing: the status line and the header names the client acts on. Header
// names are matched whatever their case, at a line start, with optional blanks after the colon.

namespace {

// Only the first characters of the status line carry version and status.
constexpr size_t kStatusLineScan = 14;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Lower-cases each header name (up to its ':'); stops at a final CR LF or at a line without ':'.
void LowerCaseHeaderNames(char* text, size_t length) {
    std::string_view view(text, length);
    size_t crlf = view.find("\r\n");
    while (crlf != std::string_view::npos) {
        size_t start = crlf + 2;
        if (start >= length) break;
        size_t colon = view.find(':', start);
        size_t next = view.find("\r\n", start);
        if (colon == std::string_view::npos || colon > next) break;
        for (size_t i = start; i < colon; ++i) {
            if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
        }
        crlf = next;
    }
}

// A decimal number of at most maxDigits digits (at most 9, so it cannot overflow) starting at
// text[position]; false when there is none or more digits follow.
bool ReadDecimal(std::string_view text, size_t position, size_t maxDigits, uint32_t* value) {
    uint32_t number = 0;
    size_t digits = 0;
    while (position < text.size() && IsDigit(text[position]) && digits < maxDigits) {
        number = number * 10 + static_cast<uint32_t>(text[position] - '0');
        ++position;
        ++digits;
    }
    if (digits == 0 || (position < text.size() && IsDigit(text[position]))) return false;
    *value = number;
    return true;
}

// "HTTP/<major>.<minor> <status>": major and status must be numbers above 0, the status three
// digits.
bool ParseStatusLine(std::string_view text, int32_t* minor, int32_t* status) {
    if (text.size() < 7 || text.compare(0, 5, "HTTP/") != 0 || text[6] != '.') return false;
    if (!IsDigit(text[5]) || text[5] == '0') return false;
    std::string_view scan = text.substr(0, kStatusLineScan);
    uint32_t minorValue = 0;
    size_t position = 7;
    if (ReadDecimal(scan, position, 6, &minorValue)) {
        while (position < scan.size() && IsDigit(scan[position])) ++position;
    }
    size_t blank = scan.find(' ', position);
    if (blank == std::string_view::npos) return false;
    uint32_t statusValue = 0;
    if (!ReadDecimal(text, blank + 1, 3, &statusValue) || statusValue < 100) return false;
    *minor = static_cast<int32_t>(minorValue);
    *status = static_cast<int32_t>(statusValue);
    return true;
}

// The value of the first header called name, or an empty view with *present false.
std::string_view HeaderValue(std::string_view text, std::string_view name, bool* present, int32_t* lookup = nullptr) {
    std::string_view value;
    int32_t result = FindHeaderValue(text, name, 0, &value);
    if (lookup != nullptr) *lookup = result;
    *present = result == kHttpOk;
    return *present ? value : std::string_view();
}

}  // namespace

int32_t HttpDriver::ParseAnswer(const char* url, const char* method, char* headers, uint32_t headerLength,
                                uint32_t flags, HttpAnswerFacts* facts) {
    *facts = HttpAnswerFacts{};
    LowerCaseHeaderNames(headers, headerLength);
    std::string_view text(headers, headerLength);
    if (!ParseStatusLine(text, &facts->minorVersion, &facts->status)) return kHttpMalformed;
    const int32_t code = facts->status;

    // "Close" with a capital C is the only spelling that ends keep-alive.
    bool present = false;
    std::string_view connection = HeaderValue(text, "connection", &present);
    while (!connection.empty() && (connection.back() == ' ' || connection.back() == '\t')) connection.remove_suffix(1);
    if (present && connection.size() >= 5 && connection.substr(connection.size() - 5) == "Close") facts->keepAlive = 0;

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
