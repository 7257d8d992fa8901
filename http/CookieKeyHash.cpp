#include "http/CookieKeyHash.h"

#include <cstddef>
#include <cstring>

int32_t CookieKeyHash(const char* text) {
    if (text == nullptr) return 0;
    size_t length = std::strlen(text);
    size_t step = length < 128 ? 1 : length / 64;
    uint32_t hash = 0;
    for (size_t i = 0; i < length; i += step) {
        hash = hash * 37u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(text[i])));
    }
    return static_cast<int32_t>(hash & 0x7FFFFFFFu);
}
