#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// One stored cookie: what a Set-Cookie value says, and the key text (scheme, host, optional port
// and path) it is stored and looked up under.
// The spans point into header, so a record is never copied or moved once parsed.
struct Cookie {
    Cookie() = default;
    Cookie(const Cookie&) = delete;
    Cookie& operator=(const Cookie&) = delete;

    int32_t hash = 0;     // CookieKeyHash of keyText
    int32_t version = 1;  // the Version attribute, 1 when absent
    std::string keyText;
    std::string header;     // the whole Set-Cookie value
    std::string_view name;  // the spans below point into header
    std::string_view value;
    std::string_view path;
    std::string_view domain;
};

// Parses a Set-Cookie value received for url into *cookie. kHttpEFail when the value has no
// name=value pair, the URL is not http(s), or the cookie's path does not occur in the URL.
int32_t ParseCookie(const char* url, const char* setCookieValue, Cookie* cookie);

// Appends "name=value; $Path=path" to a Cookie line.
void AppendCookie(const Cookie& cookie, std::string* line);
