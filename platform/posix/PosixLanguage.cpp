#include "platform/posix/PosixLanguage.h"

#include <cstring>
#include <string>

namespace platform {
namespace {

struct LocaleRow {
    const char* prefix;  // language, or language_REGION
    LanguageId id;
};

// Longer (regional) prefixes first; a bare language takes its most common region.
constexpr LocaleRow kLocales[] = {
    {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"de_LU", 0x1007}, {"de", 0x0407},    {"es_MX", 0x080A}, {"es_AR", 0x2C0A},
    {"es", 0x0C0A},    {"fr_CA", 0x0C0C}, {"fr_BE", 0x080C}, {"fr_CH", 0x100C}, {"fr", 0x040C},    {"it_CH", 0x0810},
    {"it", 0x0410},    {"ja", 0x0411},    {"en_GB", 0x0809}, {"en", 0x0409},    {"pt_BR", 0x0416}, {"pt", 0x0816},
    {"nl", 0x0413},    {"sv", 0x041D},    {"pl", 0x0415},    {"ru", 0x0419},    {"zh", 0x0804},    {"ko", 0x0412},
};

}  // namespace

LanguageId LanguageFromLocaleName(const char* locale) {
    std::string name = locale;
    for (const LocaleRow& row : kLocales) {
        std::size_t n = std::strlen(row.prefix);
        if (name.compare(0, n, row.prefix) == 0 &&
            (name.size() == n || name[n] == '_' || name[n] == '.' || name[n] == '@'))
            return row.id;
    }
    return 0x0409;
}

}  // namespace platform
