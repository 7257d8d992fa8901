#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "http/HttpDriver.h"
#include "tests/http/unit/support/FakeDriver.h"

namespace {

struct Parsed {
    int32_t result = 0;
    int32_t status = 0;
    int32_t minor = -1;
    uint32_t contentLength = 0;
    int32_t chunked = 0;
    int32_t keepAlive = -1;
    std::string location;
    bool hasLocation = false;
    int32_t hasBody = -1;
    int32_t notPlainText = -1;
};

Parsed Parse(FakeDriver& driver, const std::string& headers, const char* method = "GET", uint32_t flags = 0) {
    std::string copy = headers;
    Parsed p;
    char* location = nullptr;
    p.result = driver.ParseResponseHeaders("http://h/x", method, copy.data(), static_cast<uint32_t>(copy.size()),
                                           &p.minor, &p.status, &p.contentLength, &p.chunked, &p.keepAlive, &location,
                                           &p.hasBody, &p.notPlainText, flags);
    if (location != nullptr) {
        p.hasLocation = true;
        p.location = location;
    }
    HttpFree(location);
    return p;
}

Parsed Parse(const std::string& headers, const char* method = "GET", uint32_t flags = 0) {
    FakeDriver driver;
    return Parse(driver, headers, method, flags);
}

struct StatusLineCase {
    const char* line;
    int32_t result;
    int32_t status;
    int32_t minor;
};

TEST(ParseResponseHeaders, StatusLine) {
    const StatusLineCase cases[] = {
        {"HTTP/1.1 200 OK\r\n\r\n", kHttpOk, 200, 1},
        {"HTTP/1.0 404 Not Found\r\n\r\n", kHttpOk, 404, 0},
        {"HTTP/1.12 206 Partial\r\n\r\n", kHttpOk, 206, 12},
        {"HTTP/0.9 200 OK\r\n\r\n", kHttpMalformed, 0, 0},  // major version 0
        {"HTTP/1.1 OK\r\n\r\n", kHttpMalformed, 0, 0},      // no numeric status
        {"HTTP/1.1 000 Zero\r\n\r\n", kHttpMalformed, 0, 0},
        {"HTTP/1.1 -200 OK\r\n\r\n", kHttpMalformed, 0, 0},
        {"HTTP/1.1 2000 OK\r\n\r\n", kHttpMalformed, 0, 0},
        {"HTTP/11 200 OK\r\n\r\n", kHttpMalformed, 0, 0},  // seventh character is not '.'
        {"HTTX/1.1 200 OK\r\n\r\n", kHttpMalformed, 0, 0},
        {"HTTP/1.", kHttpMalformed, 0, 0},
        {"", kHttpMalformed, 0, 0},
        {"HTTP/1.1          200 OK\r\n\r\n", kHttpMalformed, 0, 0},  // status beyond the scanned part
    };
    for (const auto& c : cases) {
        Parsed p = Parse(c.line);
        EXPECT_EQ(p.result, c.result) << c.line;
        if (c.result == kHttpOk) {
            EXPECT_EQ(p.status, c.status) << c.line;
            EXPECT_EQ(p.minor, c.minor) << c.line;
        }
    }
}

struct FactsCase {
    const char* name;
    std::string headers;
    const char* method;
    int32_t result;
    int32_t keepAlive;
    int32_t hasBody;
    uint32_t contentLength;
    int32_t chunked;
    int32_t notPlainText;
};

TEST(ParseResponseHeaders, ResponseFacts) {
    const char* ok = "HTTP/1.1 200 OK\r\n";
    const FactsCase cases[] = {
        {"bare 200", std::string(ok) + "\r\n", "GET", kHttpOk, 1, 1, 0, 0, 0},
        {"Close ends keep-alive", std::string(ok) + "Connection: Close\r\n\r\n", "GET", kHttpOk, 0, 1, 0, 0, 0},
        {"lower-case close ends it too", std::string(ok) + "Connection: close\r\n\r\n", "GET", kHttpOk, 0, 1, 0, 0, 0},
        {"close among other tokens", std::string(ok) + "Connection: keep-alive, close\r\n\r\n", "GET", kHttpOk, 0, 1, 0,
         0, 0},
        {"a token that only ends in Close", std::string(ok) + "Connection: NotClose\r\n\r\n", "GET", kHttpOk, 1, 1, 0,
         0, 0},
        {"Close in another header", std::string(ok) + "Connection: keep-alive\r\nX-Note: Close\r\n\r\n", "GET", kHttpOk,
         1, 1, 0, 0, 0},
        {"content length", std::string(ok) + "Content-Length: 1234\r\n\r\n", "GET", kHttpOk, 1, 1, 1234, 0, 0},
        {"content length 0 means no body", std::string(ok) + "Content-Length: 0\r\n\r\n", "GET", kHttpOk, 1, 0, 0, 0,
         0},
        {"204 has no body", "HTTP/1.1 204 No Content\r\nContent-Length: 10\r\n\r\n", "GET", kHttpOk, 1, 0, 10, 0, 0},
        {"304 has no body", "HTTP/1.1 304 Not Modified\r\nContent-Length: 10\r\n\r\n", "GET", kHttpOk, 1, 0, 10, 0, 0},
        {"HEAD has no body", std::string(ok) + "Content-Length: 10\r\n\r\n", "HEAD", kHttpOk, 1, 0, 10, 0, 0},
        {"chunked", std::string(ok) + "Transfer-Encoding: chunked\r\n\r\n", "GET", kHttpOk, 1, 1, 0, 1, 0},
        {"length wins over chunked", std::string(ok) + "Transfer-Encoding: chunked\r\nContent-Length: 7\r\n\r\n", "GET",
         kHttpOk, 1, 1, 7, 0, 0},
        {"chunked on a 1xx is ignored", "HTTP/1.1 101 Switching\r\nTransfer-Encoding: chunked\r\n\r\n", "GET", kHttpOk,
         1, 1, 0, 0, 0},
        {"transfer encoding without CR LF", std::string(ok) + "Transfer-Encoding: chunked", "GET", kHttpMalformed, 1, 1,
         0, 0, 0},
        {"header names in any case", std::string(ok) + "CONTENT-LENGTH: 5\r\n\r\n", "GET", kHttpOk, 1, 1, 5, 0, 0},
        {"a longer name holding content-length", std::string(ok) + "X-Content-Length: 5\r\n\r\n", "GET", kHttpOk, 1, 1,
         0, 0, 0},
        {"html is not plain text", std::string(ok) + "Content-Type: text/html\r\n\r\n", "GET", kHttpOk, 1, 1, 0, 0, 1},
        {"plain text", std::string(ok) + "Content-Type: text/plain\r\n\r\n", "GET", kHttpOk, 1, 1, 0, 0, 0},
        // Sizes a server cannot be trusted with
        {"negative length", std::string(ok) + "Content-Length: -5\r\n\r\n", "GET", kHttpMalformed, 1, 1, 0, 0, 0},
        {"overflowing length", std::string(ok) + "Content-Length: 4294967301\r\n\r\n", "GET", kHttpMalformed, 1, 1, 0,
         0, 0},
        {"absurd length", std::string(ok) + "Content-Length: 99999999999999999999\r\n\r\n", "GET", kHttpMalformed, 1, 1,
         0, 0, 0},
        {"length past the limit", std::string(ok) + "Content-Length: 2000000000\r\n\r\n", "GET", kHttpMalformed, 1, 1,
         0, 0, 0},
        {"length that is no number", std::string(ok) + "Content-Length: ten\r\n\r\n", "GET", kHttpMalformed, 1, 1, 0, 0,
         0},
        {"length with trailing junk", std::string(ok) + "Content-Length: 12abc\r\n\r\n", "GET", kHttpMalformed, 1, 1, 0,
         0, 0},
    };
    for (const auto& c : cases) {
        Parsed p = Parse(c.headers, c.method);
        EXPECT_EQ(p.result, c.result) << c.name;
        if (c.result != kHttpOk) continue;
        EXPECT_EQ(p.keepAlive, c.keepAlive) << c.name;
        EXPECT_EQ(p.hasBody, c.hasBody) << c.name;
        EXPECT_EQ(p.contentLength, c.contentLength) << c.name;
        EXPECT_EQ(p.chunked, c.chunked) << c.name;
        EXPECT_EQ(p.notPlainText, c.notPlainText) << c.name;
    }
}

TEST(ParseResponseHeaders, LocationOfRedirects) {
    Parsed moved = Parse("HTTP/1.1 302 Found\r\nLocation: http://other/p?q=1\r\n\r\n");
    EXPECT_EQ(moved.result, kHttpOk);
    EXPECT_EQ(moved.location, "http://other/p?q=1");

    EXPECT_EQ(Parse("HTTP/1.1 302 Found\r\n\r\n").result, kHttpInvalidServerResponse);
    EXPECT_EQ(Parse("HTTP/1.1 301 Moved\r\nLocation: http://x/").result, kHttpInvalidServerResponse);
    EXPECT_FALSE(Parse("HTTP/1.1 200 OK\r\nLocation: http://x/\r\n\r\n").hasLocation)
        << "only a 3xx answer has a location";
}

TEST(ParseResponseHeaders, HeaderNamesAreLowerCasedInPlaceValuesKeepTheirCase) {
    FakeDriver driver;
    std::string headers = "HTTP/1.1 200 OK\r\nContent-Type: Text/HTML\r\nX-Mixed-Case: AbC\r\n\r\n";
    Parsed p;
    char* location = nullptr;
    driver.ParseResponseHeaders("http://h/", "GET", headers.data(), static_cast<uint32_t>(headers.size()), nullptr,
                                &p.status, &p.contentLength, &p.chunked, nullptr, &location, &p.hasBody,
                                &p.notPlainText, 0);
    EXPECT_EQ(headers, "HTTP/1.1 200 OK\r\ncontent-type: Text/HTML\r\nx-mixed-case: AbC\r\n\r\n");
}

struct ChallengeCase {
    int32_t status;
    uint32_t flags;
    bool handled;
};

TEST(ParseResponseHeaders, ChallengesGoToTheDriverUnlessTheFlagsSayNo) {
    const ChallengeCase cases[] = {
        {401, 0, true},
        {407, 0, true},
        {401, kHttpFlagNoChallenge401, false},
        {407, kHttpFlagNoChallenge407, false},
        {401, kHttpFlagNoChallenge407, true},
        {407, kHttpFlagNoAuthentication, false},
        {403, 0, false},
    };
    for (const auto& c : cases) {
        FakeDriver driver;
        driver.challengeAnswer = -1;  // a handled challenge fails the parse
        Parsed p = Parse(driver, "HTTP/1.1 " + std::to_string(c.status) + " X\r\n\r\n", "GET", c.flags);
        EXPECT_EQ(p.result, c.handled ? -1 : kHttpOk) << c.status << " flags " << c.flags;
    }
}

TEST(ParseResponseHeaders, MissingOutputsAreRejected) {
    FakeDriver driver;
    std::string headers = "HTTP/1.1 200 OK\r\n\r\n";
    int32_t status = 0, chunked = 0, hasBody = 0, notPlain = 0;
    uint32_t length = 0;
    char* location = nullptr;
    EXPECT_EQ(driver.ParseResponseHeaders("u", "GET", nullptr, 0, nullptr, &status, &length, &chunked, nullptr,
                                          &location, &hasBody, &notPlain, 0),
              kHttpInvalidArg);
    EXPECT_EQ(driver.ParseResponseHeaders("u", "GET", headers.data(), 19, nullptr, nullptr, &length, &chunked, nullptr,
                                          &location, &hasBody, &notPlain, 0),
              kHttpInvalidArg);
    EXPECT_EQ(driver.ParseResponseHeaders("u", "GET", headers.data(), 19, nullptr, &status, &length, &chunked, nullptr,
                                          &location, &hasBody, &notPlain, 0),
              kHttpOk)
        << "minor version and keep-alive outputs are optional";
}

struct MergeCase {
    const char* name;
    const char* block;  // null: no block yet
    const char* line;
    uint32_t modifiers;
    int32_t result;
    const char* merged;
};

TEST(MergeHeaderLine, FoldsOrAppends) {
    const std::string longName(128, 'N');
    const std::string longNameLine = longName + ": v\r\n";
    const MergeCase cases[] = {
        {"into nothing", nullptr, "Accept: */*\r\n", kHttpAddReqCoalesceComma, kHttpOk, "Accept: */*\r\n"},
        {"folded with comma", "Accept: */*\r\n", "Accept: text/xml\r\n", kHttpAddReqCoalesceComma, kHttpOk,
         "Accept: */*,  text/xml\r\n"},
        {"folded with semicolon", "Cookie: a=1\r\nX: y\r\n", "Cookie: b=2\r\n", kHttpAddReqCoalesceSemicolon, kHttpOk,
         "Cookie: a=1;  b=2\r\nX: y\r\n"},
        {"semicolon wins when both", "A: 1\r\n", "A: 2\r\n", kHttpAddReqCoalesceSemicolon | kHttpAddReqCoalesceComma,
         kHttpOk, "A: 1;  2\r\n"},
        {"appended when new", "Accept: */*\r\n", "Range: bytes=0-1\r\n", kHttpAddReqCoalesceComma, kHttpOk,
         "Accept: */*\r\nRange: bytes=0-1\r\n"},
        {"name inside another name is no match", "X-Range: a\r\n", "Range: b\r\n", kHttpAddReqCoalesceComma, kHttpOk,
         "X-Range: a\r\nRange: b\r\n"},
        {"names match case-sensitively", "accept: a\r\n", "Accept: b\r\n", kHttpAddReqCoalesceComma, kHttpOk,
         "accept: a\r\nAccept: b\r\n"},
        {"several lines at once", "Range: x\r\n", "Accept-Ranges: bytes\r\nRange: bytes=0-9\r\n",
         kHttpAddReqCoalesceComma, kHttpOk, "Range: x,  bytes=0-9\r\nAccept-Ranges: bytes\r\n"},
        {"no CR LF", nullptr, "Accept: x", kHttpAddReqCoalesceComma, kHttpInvalidArg, nullptr},
        {"too short", nullptr, "\r\n", kHttpAddReqCoalesceComma, kHttpInvalidArg, nullptr},
        {"no colon", nullptr, "Accept x\r\n", kHttpAddReqCoalesceComma, kHttpInvalidHeader, nullptr},
        {"name too long", nullptr, longNameLine.c_str(), kHttpAddReqCoalesceComma, kHttpInvalidHeader, nullptr},
        {"unsupported modifier", nullptr, "Accept: x\r\n", kHttpAddReqReplace, kHttpMergeModifierUnsupported, nullptr},
    };
    FakeDriver driver;
    for (const auto& c : cases) {
        char* block = c.block != nullptr ? HttpDuplicate(c.block, std::strlen(c.block)) : nullptr;
        uint32_t length = c.block != nullptr ? static_cast<uint32_t>(std::strlen(c.block)) : 0;
        EXPECT_EQ(driver.MergeHeaderLine(c.line, c.modifiers, &length, &block), c.result) << c.name;
        if (c.result == kHttpOk) {
            EXPECT_EQ(std::string(block, length), c.merged) << c.name;
            EXPECT_EQ(block[length], '\0') << c.name;
        }
        HttpFree(block);
    }
}

TEST(MergeHeaderLine, MissingArguments) {
    FakeDriver driver;
    uint32_t length = 0;
    char* block = nullptr;
    EXPECT_EQ(driver.MergeHeaderLine(nullptr, kHttpAddReqCoalesceComma, &length, &block), kHttpInvalidArg);
    EXPECT_EQ(driver.MergeHeaderLine("A: b\r\n", kHttpAddReqCoalesceComma, &length, nullptr), kHttpInvalidArg);
}

}  // namespace
