// What a link control is given for the dialog's texts with links.
#include <gtest/gtest.h>

#include "platform/LinkMarkup.h"

namespace {

TEST(LinkMarkup, BlanksInsideALinkTagCollapseAndNothingElseChanges) {
    const struct {
        const wchar_t* given;
        const wchar_t* tidy;
    } cases[] = {
        {L"click  <A  ID=\"idHELP\">here.</A> \n\nClick", L"click  <A ID=\"idHELP\">here.</A> \n\nClick"},
        {L"<a   href=\"x\"  id=\"y\">a  b</a>",
         L"<a href=\"x\" id=\"y\">a  b</a>"},  // the link's own text keeps its blanks
        {L" Read the <A ID=\"id\">%1  Eula</A> before", L" Read the <A ID=\"id\">%1  Eula</A> before"},
        {L"2 <  3 and <Also  this>", L"2 <  3 and <Also  this>"},  // no link tag
        {L"cut short <A  ID", L"cut short <A ID"},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::TidyLinkTags(c.given), c.tidy) << c.given;
}

// An attribute's quoted value is the link's identifier, which the click is matched against: its
// blanks are the value's own and must stay as they are.
TEST(LinkMarkup, QuotedAttributeValuesKeepTheirBlanks) {
    const struct {
        const wchar_t* given;
        const wchar_t* tidy;
    } cases[] = {
        {L"<A  ID=\"id  HELP\">here</A>", L"<A ID=\"id  HELP\">here</A>"},
        {L"<A  HREF=\"a > b\"  ID=\"x\">here</A>", L"<A HREF=\"a > b\" ID=\"x\">here</A>"},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::TidyLinkTags(c.given), c.tidy) << c.given;
}

}  // namespace
