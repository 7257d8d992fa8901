#pragma once
#include <cstdint>

// 31-bit hash of a cookie key text (scheme, host, optional port and path): every 1st character
// of a text under 128 characters, every (length / 64)th of a longer one.
int32_t CookieKeyHash(const char* text);
