// How the socket driver finds values in a stored response header block.
#include <gtest/gtest.h>

#include "http/HttpStatus.h"
#include "http/ResponseHeaderQuery.h"

namespace {

constexpr std::string_view kBlock =
    "HTTP/1.1 206 Partial Content\r\n"
    "Content-Range: bytes 0-9/100\r\n"
    "set-cookie: a=1\r\n"
    "X-Note: Content-Type: not a header\r\n"
    "Set-Cookie:b=2\r\n"
    "Content-Length:   10\r\n"
    "\r\n";

TEST(ResponseHeaderQuery, FindsValuesByNameWhateverTheirCase) {
    struct Case {
        std::string_view name;
        uint32_t occurrence;
        int32_t status;
        std::string_view value;
    };
    const Case cases[] = {
        {"Content-Range", 0, kHttpOk, "bytes 0-9/100"},
        {"content-range", 0, kHttpOk, "bytes 0-9/100"},
        {"Set-Cookie", 0, kHttpOk, "a=1"},
        {"Set-Cookie", 1, kHttpOk, "b=2"},
        {"Set-Cookie", 2, kHttpHeaderNotFound, ""},
        {"Content-Length", 0, kHttpOk, "10"},
        // Only the start of a line names a header, never a value that looks like one.
        {"Content-Type", 0, kHttpHeaderNotFound, ""},
        // A name that is a prefix of another does not match it.
        {"Content", 0, kHttpHeaderNotFound, ""},
        // The status line is not a header.
        {"HTTP/1.1 206 Partial Content\r\nContent-Range", 0, kHttpHeaderNotFound, ""},
    };
    for (const Case& c : cases) {
        std::string_view value;
        EXPECT_EQ(FindHeaderValue(kBlock, c.name, c.occurrence, &value), c.status) << c.name << " " << c.occurrence;
        if (c.status == kHttpOk) {
            EXPECT_EQ(value, c.value) << c.name;
        }
    }
}

TEST(ResponseHeaderQuery, ValueWithoutLineEndIsAnInvalidAnswer) {
    std::string_view value;
    EXPECT_EQ(FindHeaderValue("HTTP/1.1 200 OK\r\nETag: \"x\"", "ETag", 0, &value), kHttpInvalidServerResponse);
}

TEST(ResponseHeaderQuery, CustomNamesAreReducedToTheBareName) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"Content-Range:  ", "Content-Range"}, {"ETag", "ETag"}, {"X-Id:", "X-Id"}, {"  ", ""}, {":", ""}};
    for (auto [given, bare] : cases) EXPECT_EQ(BareHeaderName(given), bare) << given;
}

TEST(ResponseHeaderQuery, StatusWordNeedsAnHttp1StatusLine) {
    struct Case {
        std::string_view block;
        int32_t status;
        std::string_view word;
    };
    const Case cases[] = {
        {"HTTP/1.1 206 Partial Content\r\n\r\n", kHttpOk, "206"},
        {"HTTP/1.0 404\r\n\r\n", kHttpOk, "404"},
        {"HTTP/2 200 OK\r\n\r\n", kHttpInvalidServerResponse, ""},
        {"ICY 200 OK\r\n\r\n", kHttpInvalidServerResponse, ""},
        {"HTTP/1.1\r\n\r\n", kHttpInvalidServerResponse, ""},
    };
    for (const Case& c : cases) {
        std::string_view word;
        EXPECT_EQ(FindStatusWord(c.block, &word), c.status) << c.block;
        if (c.status == kHttpOk) {
            EXPECT_EQ(word, c.word);
        }
    }
}

TEST(ResponseHeaderQuery, InfoLevelsNameTheirHeaders) {
    EXPECT_EQ(HeaderNameForLevel(kHttpQueryContentLength), "Content-Length");
    EXPECT_EQ(HeaderNameForLevel(kHttpQuerySetCookie), "Set-Cookie");
    EXPECT_EQ(HeaderNameForLevel(kHttpQueryTransferEncoding), "Transfer-Encoding");
    EXPECT_TRUE(HeaderNameForLevel(kHttpQueryStatusCode).empty());
    EXPECT_TRUE(HeaderNameForLevel(12345).empty());
}

// Both drivers end keep-alive by this one rule: a comma-separated token "close", any case.
TEST(ResponseHeaderQuery, ConnectionClosesOnACloseTokenInAnyCase) {
    struct Case {
        std::string_view value;
        bool closes;
    };
    const Case cases[] = {
        {"Close", true},
        {"close", true},
        {"CLOSE", true},
        {"  close\t", true},
        {"keep-alive, close", true},
        {"close ,Upgrade", true},
        {"Upgrade,Close,TE", true},
        {"keep-alive", false},
        {"", false},
        {",", false},
        {"closed", false},
        {"not-close", false},
        {"Keep-Alive; Close", false},
        {"clo se", false},
    };
    for (const Case& c : cases) EXPECT_EQ(ConnectionAsksToClose(c.value), c.closes) << '"' << c.value << '"';
}

}  // namespace
