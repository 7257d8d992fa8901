#pragma once
#include <cstddef>

#include "resources/LanguageId.h"

// The generated side of the portable catalogue (CatalogueEntries.cpp, built from
// resources/catalogue/messages.txt). Only CatalogueTable.cpp reads it.
namespace catalogue {

struct CatalogueEntry {
    unsigned id;
    const wchar_t* text;
};

// One language's entries, sorted by id.
struct LanguageTable {
    LanguageId language;
    const CatalogueEntry* entries;
    std::size_t count;
};

struct TableList {
    const LanguageTable* tables;
    std::size_t count;
};

TableList GeneratedTables();

}  // namespace catalogue
