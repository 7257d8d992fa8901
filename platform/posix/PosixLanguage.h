#pragma once
#include "platform/UiLanguage.h"

namespace platform {

// The Windows language identifier of a POSIX locale name such as "de_AT.UTF-8" (German, Austria:
// 0x0C07). Unknown languages give English (United States).
LanguageId LanguageFromLocaleName(const char* locale);

}  // namespace platform
