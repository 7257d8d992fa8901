// The portable catalogue table: the English texts exactly, every translation in the shape of its
// English entry, and the choice of table for a user's language.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>

#include "resources/CatalogueTable.h"
#include "tests/catalogue/CatalogueExpectations.h"
#include "tests/catalogue/TextShape.h"

namespace catalogue_test {
namespace {

std::string Hex(LanguageId language) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", language);
    return text;
}

TEST(CatalogueTable, EnglishTableHoldsEveryTextExactly) {
    for (const ExpectedEntry& expected : kExpectedEntries) {
        SCOPED_TRACE(expected.id);
        const wchar_t* text = catalogue::FindEntry(kEnglishUnitedStates, expected.id);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::wstring(text), expected.english);
    }
}

TEST(CatalogueTable, MissingEntriesAndUnknownTablesGiveNull) {
    const unsigned missingIds[] = {0, 102, 104, 107, 135, 136, 153, 1019, 1021, 65535};
    for (LanguageId language : kTableLanguages) {
        for (unsigned id : missingIds) {
            EXPECT_EQ(catalogue::FindEntry(language, id), nullptr) << Hex(language) << " id " << id;
        }
    }
    // Only the six tables exist; a regional identifier is not a table of its own.
    const LanguageId notTables[] = {0x0000, 0x0407, 0x0C07, 0x040C, 0x0809, 0x0416, 0x0011};
    for (LanguageId language : notTables) {
        EXPECT_EQ(catalogue::FindEntry(language, 103), nullptr) << Hex(language);
    }
}

class Translation : public testing::TestWithParam<LanguageId> {};

TEST_P(Translation, KeepsTheShapeOfEveryEnglishEntry) {
    const LanguageId language = GetParam();
    for (const ExpectedEntry& expected : kExpectedEntries) {
        SCOPED_TRACE(testing::Message() << "entry " << expected.id);
        const wchar_t* found = catalogue::FindEntry(language, expected.id);
        ASSERT_NE(found, nullptr);
        const std::wstring text = found;
        const std::wstring english = expected.english;
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(Placeholders(expected.rule, text), Placeholders(expected.rule, english));
        EXPECT_EQ(LineBreaks(text), LineBreaks(english));
        EXPECT_EQ(LinkMarkup(text), LinkMarkup(english));
        // The product name comes in as an argument, never as translated text.
        EXPECT_EQ(text.find(L"KORVO Skelv"), std::wstring::npos);
    }
}

TEST_P(Translation, IsATranslationNotACopyOfTheEnglish) {
    // Texts made only of placeholders, product names and technical words may stay as they are.
    const unsigned mayMatchEnglish[] = {112, 127, 138};
    const LanguageId language = GetParam();
    for (const ExpectedEntry& expected : kExpectedEntries) {
        if (std::find(std::begin(mayMatchEnglish), std::end(mayMatchEnglish), expected.id) != std::end(mayMatchEnglish))
            continue;
        const wchar_t* text = catalogue::FindEntry(language, expected.id);
        ASSERT_NE(text, nullptr) << expected.id;
        EXPECT_NE(std::wstring(text), expected.english) << "entry " << expected.id << " is the English text";
    }
}

INSTANTIATE_TEST_SUITE_P(FiveLanguages, Translation, testing::ValuesIn(kTranslatedLanguages),
                         [](const testing::TestParamInfo<LanguageId>& info) { return Hex(info.param); });

TEST(CatalogueTable, LinkTextsKeepTheirExactMarkupInEveryLanguage) {
    struct Link {
        unsigned id;
        const wchar_t* opening;
    };
    const Link links[] = {{144, L"<A ID=\"idKORVOSkelv\">"}, {149, L"<A  ID=\"idHELP\">"}};
    for (LanguageId language : kTableLanguages) {
        for (const Link& link : links) {
            SCOPED_TRACE(testing::Message() << Hex(language) << " entry " << link.id);
            const wchar_t* found = catalogue::FindEntry(language, link.id);
            ASSERT_NE(found, nullptr);
            const std::wstring text = found;
            const std::size_t opening = text.find(link.opening);
            const std::size_t closing = text.find(L"</A>");
            ASSERT_NE(opening, std::wstring::npos);
            ASSERT_NE(closing, std::wstring::npos);
            EXPECT_LT(opening + std::wcslen(link.opening), closing) << "the link needs a clickable part";
            EXPECT_EQ(text.find(link.opening, opening + 1), std::wstring::npos);
            EXPECT_EQ(text.find(L"</A>", closing + 1), std::wstring::npos);
        }
    }
}

TEST(CatalogueTable, LogLineFormatIsTheSameInEveryLanguage) {
    for (LanguageId language : kTableLanguages) {
        const wchar_t* text = catalogue::FindEntry(language, 112);
        ASSERT_NE(text, nullptr) << Hex(language);
        EXPECT_EQ(std::wstring(text), L"%s: %s\n") << Hex(language);
    }
}

TEST(CatalogueTable, TextsNameTheButtonsAsTheButtonsRead) {
    struct Mention {
        unsigned text;
        unsigned button;
    };
    const Mention mentions[] = {{132, 151}, {149, 152}};  // Install, Cancel
    for (LanguageId language : kTableLanguages) {
        for (const Mention& mention : mentions) {
            const wchar_t* text = catalogue::FindEntry(language, mention.text);
            const wchar_t* button = catalogue::FindEntry(language, mention.button);
            ASSERT_NE(text, nullptr);
            ASSERT_NE(button, nullptr);
            EXPECT_NE(std::wstring(text).find(button), std::wstring::npos)
                << Hex(language) << " entry " << mention.text << " does not name button " << mention.button;
        }
    }
}

TEST(CatalogueTable, EuropeanTextsStayReadableInTheSingleByteLog) {
    // The log writes a character above U+00FF as "?"; only the Japanese table needs such characters.
    const LanguageId singleByte[] = {0x0409, 0x0007, 0x000A, 0x000C, 0x0010};
    for (LanguageId language : singleByte) {
        for (const ExpectedEntry& expected : kExpectedEntries) {
            const wchar_t* text = catalogue::FindEntry(language, expected.id);
            ASSERT_NE(text, nullptr);
            for (const wchar_t* c = text; *c != 0; ++c) {
                EXPECT_LE(static_cast<unsigned>(*c), 0xFFu) << Hex(language) << " entry " << expected.id;
            }
        }
    }
}

TEST(CatalogueTable, UserLanguageChoosesTheTable) {
    struct Case {
        LanguageId user;
        LanguageId table;
        const char* who;
    };
    const Case cases[] = {
        {0x0407, 0x0007, "German (Germany)"},
        {0x0C07, 0x0007, "German (Austria)"},
        {0x0807, 0x0007, "German (Switzerland)"},
        {0x0007, 0x0007, "German, no region"},
        {0x0C0A, 0x000A, "Spanish (Spain)"},
        {0x080A, 0x000A, "Spanish (Mexico)"},
        {0x040C, 0x000C, "French (France)"},
        {0x100C, 0x000C, "French (Switzerland)"},
        {0x0C0C, 0x000C, "French (Canada)"},
        {0x0410, 0x0010, "Italian (Italy)"},
        {0x0810, 0x0010, "Italian (Switzerland)"},
        {0x0411, 0x0411, "Japanese"},
        {0x0409, 0x0409, "English (United States)"},
        {0x0809, 0x0409, "English (United Kingdom)"},
        {0x0816, 0x0409, "Portuguese (Portugal)"},
        {0x0416, 0x0409, "Portuguese (Brazil)"},
        {0x0419, 0x0409, "Russian"},
        {0x0804, 0x0409, "Chinese (Simplified)"},
        {0x0000, 0x0409, "neutral"},
        {0x0412, 0x0409, "Korean"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Hex(catalogue::ChooseTableLanguage(c.user)), Hex(c.table)) << c.who;
    }
}

}  // namespace
}  // namespace catalogue_test
