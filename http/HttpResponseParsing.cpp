#include <cstring>
#include <string_view>

#include "http/HttpDriver.h"
#include "http/HttpHeaderBlock.h"

// The response step's parsing: the status line and the header names the client acts on.

namespace {

constexpr std::string_view kConnection = "connection: ";
constexpr std::string_view kLocation = "location: ";
constexpr std::string_view kContentType = "content-type: ";
constexpr std::string_view kContentLength = "content-length: ";
constexpr std::string_view kTransferEncoding = "transfer-encoding: ";
// Only the first characters of the status line carry version and status.
constexpr size_t kStatusLineScan = 14;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

// A content length: digits only, and no more than the client accepts.
bool ReadContentLength(std::string_view value, uint32_t* length) {
    if (value.empty() || value.size() > 10) return false;
    uint64_t number = 0;
    for (char c : value) {
        if (!IsDigit(c)) return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (number > kHttpMaxBodyLength) return false;
    *length = static_cast<uint32_t>(number);
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

bool ValueEndsWithClose(std::string_view text, size_t valueStart) {
    size_t end = LineEnd(text, valueStart);
    if (end == std::string_view::npos) end = text.size();
    std::string_view value = text.substr(valueStart, end - valueStart);
    return value.size() >= 5 && value.compare(value.size() - 5, 5, "Close") == 0;
}

}  // namespace

int32_t HttpDriver::ParseResponseHeaders(const char* url, const char* method, char* headers,
                                         uint32_t headerLength, int32_t* minorVersion,
                                         int32_t* status, uint32_t* contentLength,
                                         int32_t* chunked, int32_t* keepAlive, char** location,
                                         int32_t* hasBody, int32_t* notPlainText, uint32_t flags) {
    if (headers == nullptr || status == nullptr || contentLength == nullptr || chunked == nullptr ||
        location == nullptr || hasBody == nullptr || notPlainText == nullptr) {
        return kHttpInvalidArg;
    }
    *status = 0;
    *contentLength = 0;
    *chunked = 0;
    *hasBody = 1;
    *notPlainText = 0;
    *location = nullptr;
    int32_t privateKeepAlive = 1;
    if (keepAlive == nullptr) keepAlive = &privateKeepAlive;

    LowerCaseHeaderNames(headers, headerLength);
    std::string_view text(headers, headerLength);

    int32_t minor = 0;
    int32_t code = 0;
    if (!ParseStatusLine(text, &minor, &code)) return kHttpMalformed;
    *status = code;
    if (minorVersion != nullptr) *minorVersion = minor;

    // "Close" with a capital C is the only spelling that ends keep-alive.
    *keepAlive = 1;
    size_t connection = FindHeaderValue(text, kConnection);
    if (connection != std::string_view::npos && ValueEndsWithClose(text, connection)) *keepAlive = 0;

    if ((flags & kHttpFlagNoAuthentication) == 0 &&
        ((code == 407 && (flags & kHttpFlagNoChallenge407) == 0) ||
         (code == 401 && (flags & kHttpFlagNoChallenge401) == 0))) {
        int32_t result = HandleAuthenticationChallenge(url, code, headers, headerLength);
        if (result < 0) return result;
    }

    if (code == 204 || code == 304) *hasBody = 0;
    if (method != nullptr && std::strcmp(method, "HEAD") == 0) *hasBody = 0;

    // A 304 answers a conditional request and never names another place.
    if (code >= 300 && code <= 399 && code != 304) {
        size_t start = FindHeaderValue(text, kLocation);
        size_t end = start == std::string_view::npos ? start : LineEnd(text, start);
        if (end == std::string_view::npos) return kHttpInvalidServerResponse;
        *location = HttpDuplicate(headers + start, end - start);
        if (*location == nullptr) return kHttpOutOfMemory;
    }

    size_t contentType = FindHeaderValue(text, kContentType);
    if (contentType != std::string_view::npos) {
        size_t end = LineEnd(text, contentType);
        if (end == std::string_view::npos) end = text.size();
        std::string_view value = text.substr(contentType, end - contentType);
        *notPlainText = value.size() > 1 && value.find("plain", 1) != std::string_view::npos ? 0 : 1;
    }

    bool lengthGiven = false;
    size_t lengthValue = FindHeaderValue(text, kContentLength);
    if (lengthValue != std::string_view::npos) {
        // A length that is not a plain number, or beyond what the client accepts, is not trusted.
        size_t end = LineEnd(text, lengthValue);
        if (end == std::string_view::npos) end = text.size();
        std::string_view value = text.substr(lengthValue, end - lengthValue);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
        uint32_t length = 0;
        if (!ReadContentLength(value, &length)) {
            HttpFree(*location);
            *location = nullptr;
            return kHttpMalformed;
        }
        *contentLength = length;
        lengthGiven = true;
        if (length == 0) *hasBody = 0;
    }

    if (code >= 200 && code <= 599 && !lengthGiven) {
        size_t encoding = FindHeaderValue(text, kTransferEncoding);
        if (encoding != std::string_view::npos) {
            size_t end = LineEnd(text, encoding);
            if (end == std::string_view::npos) {
                HttpFree(*location);
                *location = nullptr;
                return kHttpMalformed;
            }
            if (text.substr(encoding, end - encoding).find("chunked") != std::string_view::npos) {
                *chunked = 1;
                *contentLength = 0;
            }
        }
    }
    return kHttpOk;
}

int32_t HttpDriver::ReadResponseBody(uint32_t* length, char** body) {
    if (length == nullptr || body == nullptr) return kHttpInvalidArg;
    *length = 0;
    *body = nullptr;
    char* value = nullptr;
    uint32_t valueLength = 0;
    bool isChunked = false;
    if (QueryInfo(&value, &valueLength, nullptr, kHttpQueryTransferEncoding, nullptr) == kHttpOk &&
        value != nullptr) {
        isChunked = std::string_view(value, valueLength).find("chunked") != std::string_view::npos;
    }
    HttpFree(value);
    value = nullptr;
    uint32_t expected = 0;
    if (!isChunked &&
        QueryInfo(&value, &valueLength, nullptr, kHttpQueryContentLength | kHttpQueryFlagNumber,
                  nullptr) == kHttpOk &&
        value != nullptr && valueLength == 4) {
        int32_t number = 0;
        std::memcpy(&number, value, 4);
        expected = number > 0 ? static_cast<uint32_t>(number) : 0;
    }
    HttpFree(value);
    *length = expected;
    return ReadBody(isChunked ? kHttpReadChunked : 0, length, body);
}
