#include "resources/CatalogueTable.h"

#include <algorithm>

#include "resources/CatalogueData.h"

namespace catalogue {
namespace {

constexpr LanguageId kEnglishUnitedStates = 0x0409;
constexpr LanguageId kJapanese = 0x0411;

// The tables with the neutral sublanguage: they serve every region of their language.
constexpr LanguageId kNeutralTables[] = {0x0007, 0x000A, 0x000C, 0x0010};

const LanguageTable* TableFor(LanguageId language) {
    const TableList list = GeneratedTables();
    const LanguageTable* end = list.tables + list.count;
    const LanguageTable* found =
        std::find_if(list.tables, end, [language](const LanguageTable& table) { return table.language == language; });
    return found == end ? nullptr : found;
}

}  // namespace

LanguageId ChooseTableLanguage(LanguageId userLanguage) {
    const LanguageId primary = PrimaryLanguage(userLanguage);
    for (LanguageId neutral : kNeutralTables) {
        if (primary == neutral) return neutral;
    }
    if (primary == PrimaryLanguage(kJapanese)) return kJapanese;
    return kEnglishUnitedStates;
}

const wchar_t* FindEntry(LanguageId tableLanguage, unsigned id) {
    const LanguageTable* table = TableFor(tableLanguage);
    if (table == nullptr) return nullptr;
    const CatalogueEntry* end = table->entries + table->count;
    const CatalogueEntry* entry = std::lower_bound(
        table->entries, end, id, [](const CatalogueEntry& e, unsigned wanted) { return e.id < wanted; });
    return entry != end && entry->id == id ? entry->text : nullptr;
}

}  // namespace catalogue
