#include "http/CookieJar.h"

#include "http/CookieRecord.h"
#include "http/HttpStatus.h"

// Stand-in used only while the threading library is not part of the build: cookies are parsed
// (so malformed ones are still refused) but not kept, and no request carries a cookie line.

int32_t StoreCookie(const char* url, const char* setCookieValue) {
    if (url == nullptr || setCookieValue == nullptr) return kHttpFailed;
    Cookie cookie;
    return ParseCookie(url, setCookieValue, &cookie);
}

int32_t CookieHeaderFor(const char* url, void*, char** header, int32_t) {
    if (url == nullptr || header == nullptr) return kHttpInvalidArg;
    return kHttpNoMoreItems;
}
