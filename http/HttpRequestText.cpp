#include "http/HttpRequestText.h"

#include <cstdio>

#include "http/HttpStatus.h"

namespace {

std::string Decimal(int64_t value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    return digits;
}

}  // namespace

std::string RequestHead(const char* method, const char* target, int major, int minor, const char* host, uint16_t port,
                        const char* userAgentLine) {
    std::string head;
    head.reserve(64);
    head += method != nullptr ? method : "";
    head += ' ';
    head += target != nullptr ? target : "";
    head += " HTTP/";
    head += Decimal(major);
    head += '.';
    head += Decimal(minor);
    head += "\r\nHost: ";
    head += host != nullptr ? host : "";
    head += ':';
    head += Decimal(port);
    head += "\r\n";
    head += userAgentLine != nullptr ? userAgentLine : "";
    return head;
}

const char* KeepAliveLine(bool throughProxy) {
    return throughProxy ? "Proxy-Connection: Keep-Alive\r\n" : "Connection: Keep-Alive\r\n";
}

const char* ContentTypeLine(int32_t contentType) {
    switch (contentType) {
        case kHttpContentFormUrlEncoded:
            return "Content-Type: application/x-www-form-urlencoded\r\n";
        case kHttpContentHtml:
            return "Content-Type: text/HTML\r\n";
        case kHttpContentXml:
            return "Content-Type: text/xml\r\n";
        case kHttpContentXmlUtf8:
            return "Content-Type: text/xml;charset=utf-8\r\n";
        case kHttpContentOctetStream:
            return "Content-Type: application/octetstream\r\n";
        case kHttpContentNone:
            return nullptr;
        default:
            return "Content-Type: text/plain\r\n";
    }
}

bool RangeLines(int32_t rangeMode, uint32_t first, uint32_t count, std::string* lines) {
    std::string text = "Accept-Ranges: bytes\r\nRange: bytes=";
    if (rangeMode == kHttpRangeFirstCount) {
        // The last byte wanted; a count of 0 asks for the first byte alone rather than wrapping.
        int64_t last = static_cast<int64_t>(first) + (count == 0 ? 0 : count - 1);
        text += Decimal(first) + "-" + Decimal(last);
    } else if (rangeMode == kHttpRangeFirstLast && first != 0) {
        text += Decimal(first) + "-" + Decimal(count);
    } else if (rangeMode == kHttpRangeFirstLast) {
        text += "-" + Decimal(count);
    } else {
        return false;
    }
    text += "\r\n";
    *lines = std::move(text);
    return true;
}

std::string ProxyAuthorizationLine(const std::string& scheme, const std::string& credentials) {
    return "Proxy-authorization: " + std::string(" ") + scheme + " " + credentials + "\r\n";
}

std::string ContentLengthLine(uint32_t length) {
    return "Content-Length: " + Decimal(length) + "\r\n";
}

std::string ChunkSizeLine(uint32_t length) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x\r\n", static_cast<unsigned>(length));
    return hex;
}
