#pragma once
#include "resources/LanguageId.h"

namespace platform {

class UiLanguage {
public:
    virtual ~UiLanguage() = default;
    // The language of the user's interface, which picks the string table the texts come from.
    virtual LanguageId UserUiLanguage() const = 0;
};

}  // namespace platform
