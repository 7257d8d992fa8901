// Temporary English-only table; replaced by the generated catalogue.
#include "resources/CatalogueTable.h"

namespace catalogue {

platform::LanguageId ChooseTableLanguage(platform::LanguageId) { return 0x0409; }

const wchar_t* FindEntry(platform::LanguageId, unsigned id) {
    switch (id) {
        case 103: return L"You must have administrator privileges to install %1.";
        case 110: return L"Begin bootstrap setup for %1 installation";
        case 111: return L"End bootstrap setup for %1 installation";
        case 112: return L"%s: %s\n";
        case 138: return L"%1 Setup";
        case 150: return L"Another %1 installation is in progress.";
        default: return nullptr;
    }
}

}  // namespace catalogue
