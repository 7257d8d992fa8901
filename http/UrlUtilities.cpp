#include "http/UrlUtilities.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "http/HttpMemory.h"
#include "http/HttpStatus.h"

namespace {

constexpr std::string_view kHttpScheme = "http://";
constexpr std::string_view kHttpsScheme = "https://";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Characters escaped in the path, before the first '?'.
bool EscapedInPath(unsigned char c) {
    switch (c) {
        case 0x20:
        case 0x22:
        case 0x23:
        case 0x25:
        case 0x26:
        case 0x3A:
        case 0x3B:
        case 0x3C:
        case 0x3E:
        case 0x40:
        case 0x5B:
        case 0x5D:
        case 0x5C:
        case 0x5E:
        case 0x60:
        case 0x7B:
        case 0x7D:
        case 0x7C:
        case 0x7E:
            return true;
        default:
            return false;
    }
}

// From the '?' on, '&', ':', ';', '@' and '\' keep their meaning in the query.
bool EscapedInQuery(unsigned char c) {
    if (c == 0x26 || c == 0x3A || c == 0x3B || c == 0x40 || c == 0x5C) return false;
    return EscapedInPath(c);
}

// Hands one part to the caller by the record's rule: length only, copy, or pointer into the URL.
void Deliver(const char* url, size_t offset, size_t length, char** pointer, uint32_t* lengthField) {
    if (*lengthField == 0) {
        *lengthField = static_cast<uint32_t>(length);
    } else if (*pointer == nullptr) {
        *pointer = const_cast<char*>(url + offset);
        *lengthField = static_cast<uint32_t>(length);
    } else if (length < *lengthField) {
        std::memcpy(*pointer, url + offset, length);
        (*pointer)[length] = '\0';
        *lengthField = static_cast<uint32_t>(length);
    }
    // A part that does not fit keeps the old length; the other parts are still delivered.
}

}  // namespace

int32_t EscapeUrl(const char* url, char** escaped, uint32_t) {
    if (url == nullptr || escaped == nullptr) return kHttpInvalidArg;
    std::string_view text(url);
    size_t schemeLength = 0;
    if (StartsWith(text, kHttpScheme)) {
        schemeLength = kHttpScheme.size();
    } else if (StartsWith(text, kHttpsScheme)) {
        schemeLength = kHttpsScheme.size();
    } else {
        return kHttpInvalidArg;
    }
    size_t slash = text.find('/', schemeLength);
    if (slash == std::string_view::npos) {
        *escaped = HttpDuplicate(url, text.size());
        return *escaped != nullptr ? kHttpOk : kHttpOutOfMemory;
    }
    if (text.size() > (SIZE_MAX - 1) / 3) return kHttpOutOfMemory;
    char* out = static_cast<char*>(HttpAlloc(3 * text.size() + 1));
    if (out == nullptr) return kHttpOutOfMemory;
    std::memcpy(out, url, slash);
    size_t written = slash;
    bool inQuery = false;
    for (size_t i = slash; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '?') inQuery = true;
        if (inQuery ? EscapedInQuery(c) : EscapedInPath(c)) {
            std::snprintf(out + written, 4, "%%%x", c);
            written += 3;
        } else {
            out[written++] = static_cast<char>(c);
        }
    }
    *escaped = out;
    return kHttpOk;
}

int32_t CrackUrl(const char* url, uint32_t urlLength, uint32_t, UrlComponents* record) {
    if (url == nullptr || record == nullptr) return kHttpInvalidArg;
    std::string_view text(url, urlLength != 0 ? urlLength : std::strlen(url));

    size_t schemeLength = 0;
    int32_t schemeNumber = kUrlSchemeUnknown;
    if (StartsWith(text, kHttpScheme)) {
        schemeLength = kHttpScheme.size();
        schemeNumber = kUrlSchemeHttp;
    } else if (StartsWith(text, kHttpsScheme)) {
        schemeLength = kHttpsScheme.size();
        schemeNumber = kUrlSchemeHttps;
    }

    size_t authorityEnd = text.find('/', schemeLength);
    if (authorityEnd == std::string_view::npos) authorityEnd = text.size();
    std::string_view authority = text.substr(schemeLength, authorityEnd - schemeLength);

    size_t hostStart = schemeLength;
    size_t userLength = 0;
    size_t passwordStart = schemeLength;
    size_t passwordLength = 0;
    size_t at = authority.find('@');
    if (at != std::string_view::npos) {
        size_t colon = authority.substr(0, at).find(':');
        if (colon == std::string_view::npos) return kHttpInvalidUrl;
        userLength = colon;
        passwordStart = schemeLength + colon + 1;
        passwordLength = at - colon - 1;
        hostStart = schemeLength + at + 1;
    }

    uint16_t port = schemeNumber == kUrlSchemeHttps ? 443 : 80;
    size_t hostEnd = authorityEnd;
    size_t portColon = text.substr(0, authorityEnd).find(':', hostStart);
    if (portColon != std::string_view::npos) {
        hostEnd = portColon;
        uint32_t value = 0;
        size_t digits = 0;
        for (size_t i = portColon + 1; i < authorityEnd && text[i] >= '0' && text[i] <= '9'; ++i) {
            value = value * 10 + static_cast<uint32_t>(text[i] - '0');
            if (value > 65535) return kHttpInvalidUrl;  // would wrap to another port
            ++digits;
        }
        port = digits != 0 ? static_cast<uint16_t>(value) : 80;
    }

    size_t pathStart = authorityEnd;
    size_t extraStart = text.size();
    if (authorityEnd < text.size()) {
        size_t question = text.find('?', authorityEnd);
        extraStart = question != std::string_view::npos ? question : text.find('#', authorityEnd);
        if (extraStart == std::string_view::npos) extraStart = text.size();
    }

    record->schemeNumber = schemeNumber;
    record->port = port;
    Deliver(url, 0, schemeLength, &record->scheme, &record->schemeLength);
    Deliver(url, hostStart, hostEnd - hostStart, &record->hostName, &record->hostNameLength);
    Deliver(url, schemeLength, userLength, &record->userName, &record->userNameLength);
    Deliver(url, passwordStart, passwordLength, &record->password, &record->passwordLength);
    Deliver(url, pathStart, extraStart - pathStart, &record->urlPath, &record->urlPathLength);
    Deliver(url, extraStart, text.size() - extraStart, &record->extraInfo, &record->extraInfoLength);
    return kHttpOk;
}
