// The Windows string tables compiled into this executable: the same texts as the portable table
// (so windres got every character right), under the six language identifiers, and the resource
// loader's choice of table for the user's language.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <set>
#include <string>

#include "resources/CatalogueTable.h"
#include "tests/catalogue/CatalogueExpectations.h"

namespace catalogue_test {
namespace {

std::string Hex(unsigned value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

// Entry `id` of the string table stored under exactly `language`, read from the resource itself
// (no loader fallback): nullopt when that language has no block for it or the slot is empty.
std::optional<std::wstring> RawEntry(LANGID language, unsigned id) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC block = FindResourceExW(self, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (block == nullptr) return std::nullopt;
    HGLOBAL loaded = LoadResource(self, block);
    const WCHAR* cursor = loaded == nullptr ? nullptr : static_cast<const WCHAR*>(LockResource(loaded));
    if (cursor == nullptr) return std::nullopt;
    // A block holds 16 counted strings; skip to the one for `id`.
    for (unsigned slot = 0; slot < id % 16; ++slot) cursor += 1 + *cursor;
    if (*cursor == 0) return std::nullopt;
    return std::wstring(cursor + 1, *cursor);
}

std::optional<std::wstring> LoadedByTheLoader(unsigned id) {
    const WCHAR* text = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return std::nullopt;
    return std::wstring(text, static_cast<std::size_t>(length));
}

TEST(StringTables, HoldEveryEntryOfThePortableTableInEveryLanguage) {
    for (LanguageId language : kTableLanguages) {
        for (const ExpectedEntry& expected : kExpectedEntries) {
            SCOPED_TRACE(testing::Message() << Hex(language) << " entry " << expected.id);
            const wchar_t* portable = catalogue::FindEntry(language, expected.id);
            ASSERT_NE(portable, nullptr);
            std::optional<std::wstring> stored = RawEntry(language, expected.id);
            ASSERT_TRUE(stored.has_value());
            EXPECT_EQ(*stored, portable);
        }
    }
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::set<unsigned>*>(found)->insert(language);
    return TRUE;
}

TEST(StringTables, AreStoredUnderExactlyTheSixLanguages) {
    // German, Spanish, French and Italian under the neutral sublanguage: stored under a regional
    // identifier, a table would serve that one region only.
    const std::set<unsigned> expected(std::begin(kTableLanguages), std::end(kTableLanguages));
    std::set<unsigned> blocks;
    for (const ExpectedEntry& entry : kExpectedEntries) blocks.insert(entry.id / 16 + 1);
    for (unsigned block : blocks) {
        std::set<unsigned> stored;
        EnumResourceLanguagesW(GetModuleHandleW(nullptr), RT_STRING, MAKEINTRESOURCEW(block), CollectLanguage,
                               reinterpret_cast<LONG_PTR>(&stored));
        EXPECT_EQ(stored, expected) << "block " << block;
    }
}

std::optional<unsigned> HexFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return static_cast<unsigned>(std::strtoul(value, nullptr, 16));
}

// ctest runs this once per user language (LANG under Wine) and names the expected user language
// and table; without them it checks that the loader agrees with the portable rule.
TEST(ResourceLoader, ChoosesTheTableForTheUserLanguage) {
    const LANGID user = GetUserDefaultUILanguage();
    if (std::optional<unsigned> expectedUser = HexFromEnvironment("KORVO_EXPECTED_USER_LANGUAGE")) {
        ASSERT_EQ(Hex(user), Hex(*expectedUser)) << "the user language was not set up as asked";
    }
    const LanguageId table = catalogue::ChooseTableLanguage(user);
    if (std::optional<unsigned> expectedTable = HexFromEnvironment("KORVO_EXPECTED_TABLE")) {
        ASSERT_EQ(Hex(table), Hex(*expectedTable));
    }
    for (const ExpectedEntry& expected : kExpectedEntries) {
        SCOPED_TRACE(testing::Message() << "user " << Hex(user) << " entry " << expected.id);
        std::optional<std::wstring> loaded = LoadedByTheLoader(expected.id);
        ASSERT_TRUE(loaded.has_value());
        EXPECT_EQ(*loaded, catalogue::FindEntry(table, expected.id));
    }
    EXPECT_FALSE(LoadedByTheLoader(104).has_value());
}

}  // namespace
}  // namespace catalogue_test
