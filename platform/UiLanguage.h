#pragma once
#include <cstdint>

namespace platform {

// A Windows language identifier: primary language in the low 10 bits, sublanguage above.
using LanguageId = std::uint16_t;

constexpr LanguageId PrimaryLanguage(LanguageId id) { return static_cast<LanguageId>(id & 0x3FF); }

class UiLanguage {
public:
    virtual ~UiLanguage() = default;
    // The language of the user's interface, which picks the string table the texts come from.
    virtual LanguageId UserUiLanguage() const = 0;
};

}  // namespace platform
