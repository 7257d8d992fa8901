#pragma once
#include <cstdint>

// A Windows language identifier: primary language in the low 10 bits, sublanguage above. The
// catalogue's tables are keyed by it and the platform reports the user's language in it.
using LanguageId = std::uint16_t;

constexpr LanguageId PrimaryLanguage(LanguageId id) {
    return static_cast<LanguageId>(id & 0x3FF);
}
