#pragma once
#include <cstdint>

// URL escaping and splitting without WinINet.

// WinINet's ICU_ESCAPE: the escape mode every caller passes to EscapeUrl.
constexpr uint32_t kUrlEscapeMode = 0x80000000;

// Scheme numbers of a split URL.
constexpr int32_t kUrlSchemeUnknown = -1;
constexpr int32_t kUrlSchemeHttp = 3;
constexpr int32_t kUrlSchemeHttps = 4;

// The parts of a split URL, laid out like WinINet's URL_COMPONENTSA. For each part the caller sets
// the length to 0 (only the length is wanted), to a buffer capacity with a buffer pointer (the part
// is copied and NUL-terminated when it fits), or to a non-zero value with a null pointer (the
// pointer is set into the URL itself).
struct UrlComponents {
    uint32_t structSize = sizeof(UrlComponents);
    char* scheme = nullptr;
    uint32_t schemeLength = 0;
    int32_t schemeNumber = kUrlSchemeUnknown;
    char* hostName = nullptr;
    uint32_t hostNameLength = 0;
    uint16_t port = 0;
    char* userName = nullptr;
    uint32_t userNameLength = 0;
    char* password = nullptr;
    uint32_t passwordLength = 0;
    char* urlPath = nullptr;
    uint32_t urlPathLength = 0;
    char* extraInfo = nullptr;
    uint32_t extraInfoLength = 0;
};

// Escapes the path and query of an http:// or https:// URL. *escaped: new HttpAlloc'd text.
int32_t EscapeUrl(const char* url, char** escaped, uint32_t mode);

// Splits a URL of urlLength bytes (0: up to its 0 byte) into record. flags: 0.
int32_t CrackUrl(const char* url, uint32_t urlLength, uint32_t flags, UrlComponents* record);
