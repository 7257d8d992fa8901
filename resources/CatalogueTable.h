#pragma once
#include "resources/LanguageId.h"

// The message catalogue as compiled into the program for platforms without the Windows resource
// loader. Generated from the same source as the Windows string tables.
namespace catalogue {

// The table the Windows resource loader would use for a user of `userLanguage`: German, Spanish,
// French and Italian by primary language (any region), Japanese, and English (United States) for
// every other language.
LanguageId ChooseTableLanguage(LanguageId userLanguage);

// The text of entry `id` in the table of `tableLanguage`; null when there is no such entry.
const wchar_t* FindEntry(LanguageId tableLanguage, unsigned id);

}  // namespace catalogue
