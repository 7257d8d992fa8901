#pragma once
#include <cstdint>

// The process-wide cookie jar: every cookie received in a Set-Cookie header by any driver, and
// the Cookie request line for a URL. Cookies are added or replaced, never expired.

// Stores the cookie of one Set-Cookie value received for url.
int32_t StoreCookie(const char* url, const char* setCookieValue);

// The cookie line for a request to url. *header: new HttpAlloc'd text, "Cookie: ...\r\n" with
// withPrefix set; kHttpNoMoreItems when no cookie applies or nothing was stored yet.
int32_t CookieHeaderFor(const char* url, void* reserved, char** header, int32_t withPrefix);
