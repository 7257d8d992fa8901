// The two fill-in rules of the catalogue's texts.
#include <gtest/gtest.h>

#include "core/MessageCatalogue.h"
#include "core/WidePrintf.h"

namespace {

struct PrintfCase {
    const wchar_t* format;
    std::vector<PrintfArg> args;
    const wchar_t* expected;
};

TEST(WidePrintf, FollowsThePrintfRulesForTheCatalogueConversions) {
    const PrintfCase cases[] = {
        {L"Video Memory = %d  MB", {256}, L"Video Memory = 256  MB"},
        {L"Video Card Name = %s", {L"S3 ProSavage"}, L"Video Card Name = S3 ProSavage"},
        {L"%s: %s\n", {L"12/06/26 - 17:48:03", L"IN->X ()"}, L"12/06/26 - 17:48:03: IN->X ()\n"},
        {L"%I64d bytes", {12345678901234LL}, L"12345678901234 bytes"},
        {L"%I64d bytes", {-5LL}, L"-5 bytes"},
        {L"%d", {-2147483647 - 1}, L"-2147483648"},
        {L"%d", {4294967296LL + 7}, L"7"},   // %d takes 32 bits, as on Windows
        {L"%ld", {4294967296LL + 7}, L"7"},  // long is 32-bit on Windows too
        {L"%lld|%llu", {-1LL, -1LL}, L"-1|18446744073709551615"},
        {L"%u", {-1}, L"4294967295"},
        {L"%hd", {65535}, L"-1"},
        {L"%5d|%-5d|%05d|%+d|% d", {42, 42, 42, 42, 42}, L"   42|42   |00042|+42| 42"},
        {L"%05d", {-42}, L"-0042"},
        {L"%.3d|%8.3d", {7, 7}, L"007|     007"},
        {L"%x|%X|%#x|%08X", {255, 255, 255, 0xBEEF}, L"ff|FF|0xff|0000BEEF"},
        {L"%.0d", {0}, L""},
        {L"[%6s][%-6s][%.2s]", {L"ab", L"ab", L"abcdef"}, L"[    ab][ab    ][ab]"},
        {L"%*d|%-*d", {4, 1, 3, 2}, L"   1|2  "},
        {L"%c%c", {L'O', L'K'}, L"OK"},
        {L"100%%", {}, L"100%"},
        {L"%s %d", {}, L" "},              // missing arguments print nothing
        {L"%d|%s", {L"text", 5}, L"?|?"},  // mismatched kinds print "?"
        {L"%q and %", {}, L"%q and %"},    // unknown conversion and a lone "%" stay
        {L"%99999999d", {1}, nullptr},     // an absurd width is capped, not honoured
    };
    for (const PrintfCase& c : cases) {
        SCOPED_TRACE(c.format);
        std::wstring result = FormatWidePrintf(c.format, c.args);
        if (c.expected != nullptr)
            EXPECT_EQ(result, c.expected);
        else
            EXPECT_LE(result.size(), 4096u);
    }
}

struct PositionalCase {
    const wchar_t* text;
    std::vector<std::wstring> args;
    const wchar_t* expected;
};

TEST(FillPositional, ReplacesNumberedAndLetteredPlaceholders) {
    const std::vector<std::wstring> many{L"a", L"b", L"c", L"d", L"e", L"f", L"g", L"h", L"i", L"j", L"k"};
    const PositionalCase cases[] = {
        {L"%1 installation failed. Consult the log file %2.",
         {L"KORVO Skelv", L"C:\\Temp\\KORVOSkelvInstall.log"},
         L"KORVO Skelv installation failed. Consult the log file C:\\Temp\\KORVOSkelvInstall.log."},
        {L"%1 installation failed. Consult the log file %2.",
         {L"KORVO Skelv"},
         L"KORVO Skelv installation failed. Consult the log file ?."},
        {L"%2 \u306b\u306f %1", {L"X", L"Y"}, L"Y \u306b\u306f X"},  // a translation may move them
        {L"%1 uses %s and %d and %%", {L"P"}, L"P uses %s and %d and %%"},
        {L"%9%A%B", many, L"ijk"},
        {L"%C%Z", many, L"??"},
        {L"%0 %a %", {L"x"}, L"%0 %a %"},
        {L"%1%1", {L"%2"}, L"%2%2"},  // arguments are not scanned again
        {L"", {L"x"}, L""},
    };
    for (const PositionalCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FillPositional(c.text, c.args), c.expected);
    }
}

TEST(FillPositional, KeepsTheLineBreaksOfATwoLineMessageAndOfTheText) {
    std::wstring help =
        L"%1\n\n For more information, click  <A  ID=\"idHELP\">here.</A> \n\nClick 'Cancel' to exit the Setup.";
    std::wstring filled = FillPositional(help, {L"first line\nsecond line"});
    EXPECT_EQ(filled,
              L"first line\nsecond line\n\n For more information, click  <A  ID=\"idHELP\">here.</A> "
              L"\n\nClick 'Cancel' to exit the Setup.");
}

}  // namespace
