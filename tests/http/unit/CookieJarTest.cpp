#include <gtest/gtest.h>

#include <string>

#include "http/CookieJar.h"
#include "http/CookieKeyHash.h"
#include "http/CookieRecord.h"
#include "http/HttpMemory.h"
#include "http/HttpStatus.h"
#include "tests/http/unit/support/FakeDriver.h"

// The jar is process-wide and never emptied: every test uses hosts of its own.

namespace {

struct Lookup {
    int32_t result;
    std::string text;
};

Lookup CookiesFor(const char* url, int32_t withPrefix = 1) {
    char* header = nullptr;
    int32_t result = CookieHeaderFor(url, nullptr, &header, withPrefix);
    Lookup lookup{result, header != nullptr ? header : ""};
    HttpFree(header);
    return lookup;
}

TEST(CookieKeyHash, Values) {
    EXPECT_EQ(CookieKeyHash(""), 0);
    EXPECT_EQ(CookieKeyHash("a"), 97);
    EXPECT_EQ(CookieKeyHash("ab"), 97 * 37 + 98);
    // Characters are signed 8-bit values.
    EXPECT_EQ(CookieKeyHash("\xff"), 0x7FFFFFFF);
    // From 128 characters on only every (length / 64)-th character counts.
    std::string sparse(128, 'a');
    std::string changedSkipped = sparse;
    changedSkipped[1] = 'z';
    std::string changedSampled = sparse;
    changedSampled[2] = 'z';
    EXPECT_EQ(CookieKeyHash(sparse.c_str()), CookieKeyHash(changedSkipped.c_str()));
    EXPECT_NE(CookieKeyHash(sparse.c_str()), CookieKeyHash(changedSampled.c_str()));
}

TEST(ParseCookie, Attributes) {
    struct Case {
        const char* name;
        const char* url;
        const char* value;
        int32_t result;
        const char* cookieName;
        const char* cookieValue;
        const char* path;
        const char* key;
        int32_t version;
    } cases[] = {
        {"plain", "http://p.example/a/b", "id=42; path=/a", kHttpOk, "id", "42", "/a", "http://p.example/a", 1},
        {"blanks trimmed", "http://p.example/a", "  id  =  42 ;Path= /a ", kHttpOk, "id", "42", "/a",
         "http://p.example/a", 1},
        {"Path before path", "http://p.example/x/y", "n=v; path=/y; Path=/x", kHttpOk, "n", "v", "/x",
         "http://p.example/x", 1},
        {"with port", "http://p.example:81/a", "n=v; path=/", kHttpOk, "n", "v", "/", "http://p.example:81/", 1},
        {"version", "http://p.example/", "n=v; Version=12345678; path=/", kHttpOk, "n", "v", "/", "http://p.example/",
         1234567},
        {"no path: bare scheme key", "https://p.example/a", "n=v", kHttpOk, "n", "v", "", "https://", 1},
        {"name holding Path is no attribute", "http://p.example/a", "Pathfinder=1; path=/a", kHttpOk, "Pathfinder", "1",
         "/a", "http://p.example/a", 1},
        {"path not in URL", "http://p.example/a", "n=v; path=/zzz", kHttpEFail, nullptr, nullptr, nullptr, nullptr, 0},
        {"no pair", "http://p.example/a", "novalue", kHttpEFail, nullptr, nullptr, nullptr, nullptr, 0},
        {"not http", "ftp://p.example/a", "n=v; path=/a", kHttpEFail, nullptr, nullptr, nullptr, nullptr, 0},
    };
    for (const auto& c : cases) {
        Cookie cookie;
        EXPECT_EQ(ParseCookie(c.url, c.value, &cookie), c.result) << c.name;
        if (c.result != kHttpOk) continue;
        EXPECT_EQ(cookie.name, c.cookieName) << c.name;
        EXPECT_EQ(cookie.value, c.cookieValue) << c.name;
        EXPECT_EQ(cookie.path, c.path) << c.name;
        EXPECT_EQ(cookie.keyText, c.key) << c.name;
        EXPECT_EQ(cookie.version, c.version) << c.name;
        EXPECT_EQ(cookie.hash, CookieKeyHash(c.key)) << c.name;
    }
    Cookie cookie;
    EXPECT_EQ(ParseCookie("http://p.example/", std::string(kHttpMaxCookieLength + 1, 'a').c_str(), &cookie),
              kHttpEFail);
}

TEST(CookieJar, SentWherePathMatches) {
    ASSERT_EQ(StoreCookie("http://jar1.example/a/b", "id=42; path=/a"), kHttpOk);
    EXPECT_EQ(CookiesFor("http://jar1.example/a/c").text, "Cookie: id=42; $Path=/a\r\n");
    EXPECT_EQ(CookiesFor("http://jar1.example/b").result, kHttpNoMoreItems);
    EXPECT_EQ(CookiesFor("https://jar1.example/a/c").result, kHttpNoMoreItems) << "another scheme";
    EXPECT_EQ(CookiesFor("http://jar1.example:8080/a/c").result, kHttpNoMoreItems) << "another port";
    EXPECT_EQ(CookiesFor("http://jar1.example/a/c", 0).text, "id=42; $Path=/a");
}

TEST(CookieJar, TwoCookiesInPathOrder) {
    ASSERT_EQ(StoreCookie("http://jar2.example/x/y", "b=2; path=/x"), kHttpOk);
    ASSERT_EQ(StoreCookie("http://jar2.example/", "a=1; path=/"), kHttpOk);
    EXPECT_EQ(CookiesFor("http://jar2.example/x/y").text, "Cookie: a=1; $Path=/; b=2; $Path=/x\r\n");
}

TEST(CookieJar, SameNameSameKeyReplaces) {
    ASSERT_EQ(StoreCookie("http://jar3.example/", "s=old; path=/"), kHttpOk);
    ASSERT_EQ(StoreCookie("http://jar3.example/", "s=new; path=/"), kHttpOk);
    EXPECT_EQ(CookiesFor("http://jar3.example/f").text, "Cookie: s=new; $Path=/\r\n");
}

TEST(CookieJar, ANameThatStartsLikeAnotherIsADifferentCookie) {
    ASSERT_EQ(StoreCookie("http://jar4.example/", "ab=1; path=/"), kHttpOk);
    ASSERT_EQ(StoreCookie("http://jar4.example/", "a=2; path=/"), kHttpOk);
    EXPECT_EQ(CookiesFor("http://jar4.example/f").text, "Cookie: ab=1; $Path=/; a=2; $Path=/\r\n");
}

TEST(CookieJar, EqualHashDifferentKeyIsNotSent) {
    // "ar" -> "bM": +1 at one position and -37 at the next leave h * 37 + c unchanged.
    const std::string stored = "http://jar5.example/";
    const std::string other = "http://jbM5.example/";
    ASSERT_EQ(CookieKeyHash(stored.c_str()), CookieKeyHash(other.c_str()));
    ASSERT_EQ(StoreCookie("http://jar5.example/p", "secret=1; path=/"), kHttpOk);
    EXPECT_EQ(CookiesFor("http://jbM5.example/p").result, kHttpNoMoreItems);
    EXPECT_EQ(CookiesFor("http://jar5.example/p").text, "Cookie: secret=1; $Path=/\r\n");
}

TEST(CookieJar, CookieWithoutPathIsKeptButNeverSent) {
    ASSERT_EQ(StoreCookie("http://jar6.example/a", "n=v"), kHttpOk);
    EXPECT_EQ(CookiesFor("http://jar6.example/a").result, kHttpNoMoreItems);
}

TEST(CookieJar, Arguments) {
    char* header = nullptr;
    EXPECT_EQ(StoreCookie(nullptr, "a=1"), kHttpFailed);
    EXPECT_EQ(StoreCookie("http://h/", nullptr), kHttpFailed);
    EXPECT_EQ(CookieHeaderFor(nullptr, nullptr, &header, 1), kHttpInvalidArg);
    EXPECT_EQ(CookieHeaderFor("http://h/", nullptr, nullptr, 1), kHttpInvalidArg);
}

std::string OkWithCookie(const std::string& cookie) {
    return "HTTP/1.1 200 OK\r\nSet-Cookie: " + cookie + "\r\nContent-Length: 0\r\n\r\n";
}

TEST(CookieFlow, ReceivedCookiesGoOutWithTheNextRequest) {
    FakeDriver driver;
    driver.Respond(
        "HTTP/1.1 200 OK\r\nSet-Cookie: sid=7; path=/\r\nSet-Cookie: lang=en; path=/\r\n"
        "Content-Length: 0\r\n\r\n");
    driver.Respond(OkWithCookie("x=1; path=/"));
    char* body = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(driver.Get("http://flow1.example/login", 0, &body, &length, nullptr), kHttpOk);
    HttpFree(body);
    ASSERT_EQ(driver.Get("http://flow1.example/page", 0, &body, &length, nullptr), kHttpOk);
    HttpFree(body);
    ASSERT_EQ(driver.requests.size(), 2u);
    EXPECT_EQ(driver.requests[1],
              "GET /page HTTP/1.1\r\nHost: flow1.example:80\r\nUser-Agent: Fake\r\n"
              "Cookie: sid=7; $Path=/; lang=en; $Path=/\r\n\r\n");
}

TEST(CookieFlow, AnUnstorableCookieEndsTheFlow) {
    FakeDriver driver;
    driver.Respond("HTTP/1.1 200 OK\r\nSet-Cookie: n=v; path=/elsewhere\r\nContent-Length: 4\r\n\r\nbody");
    char* body = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(driver.Get("http://flow2.example/here", 0, &body, &length, nullptr), kHttpEFail);
    EXPECT_EQ(body, nullptr);
    EXPECT_EQ(length, 0u);
}

}  // namespace
