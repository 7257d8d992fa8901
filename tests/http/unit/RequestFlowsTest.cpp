#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/ProcessSettings.h"
#include "http/HttpDriver.h"
#include "http/HttpPutSetting.h"
#include "platform/fakes/FakeMachine.h"
#include "tests/http/unit/support/FakeDriver.h"

namespace {

std::string Ok(const std::string& body, const std::string& extra = "") {
    return "HTTP/1.1 200 OK\r\n" + extra + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Answer(int status, const std::string& extra = "", const std::string& body = "") {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\n" + extra + "Content-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

struct GetOutcome {
    int32_t result;
    std::string body;
    bool bodyNull;
    uint32_t length;
};

GetOutcome RunGet(FakeDriver& driver, const char* url, uint32_t flags = 0) {
    char* body = reinterpret_cast<char*>(0x1234);  // the flow clears it
    uint32_t length = 99;
    int32_t keepAlive = -1;
    int32_t result = driver.Get(url, flags, &body, &length, &keepAlive);
    GetOutcome outcome{result, body != nullptr ? std::string(body, length) : "", body == nullptr, length};
    if (body != nullptr) {
        EXPECT_EQ(body[length], '\0');
    }
    HttpFree(body);
    return outcome;
}

TEST(Post, ContentTypeSixSendsNoBodyAndRefusesOne) {
    FakeDriver driver;
    driver.Respond(Ok(""));
    char* body = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(driver.Post("http://h/p", 0, nullptr, 0, kHttpContentNone, nullptr, &body, &length), kHttpOk);
    HttpFree(body);
    EXPECT_EQ(driver.Post("http://h/p", 0, "x", 1, kHttpContentNone, nullptr, &body, &length), kHttpInvalidArg);
    EXPECT_EQ(driver.Post("http://h/p", 0, nullptr, 3, kHttpContentNone, nullptr, &body, &length), kHttpInvalidArg);
    EXPECT_EQ(driver.requests.size(), 1u);
}

struct RangeCase {
    int32_t mode;
    uint32_t first;
    uint32_t count;
    const char* range;  // null: rejected before anything is sent
};

TEST(GetRange, RangeLines) {
    const RangeCase cases[] = {
        {0, 0, 524288, "bytes=0-524287"},
        {0, 524288, 1000, "bytes=524288-525287"},
        {2, 0, 500, "bytes=-500"},
        {2, 100, 200, "bytes=100-200"},
        {0, 4000000000u, 10, "bytes=4000000000-4000000009"},
        {0, 5, 0, "bytes=5-5"},  // no count: never a negative last byte
        {1, 0, 10, nullptr},
        {3, 0, 10, nullptr},
    };
    for (const auto& c : cases) {
        FakeDriver driver;
        driver.Respond("HTTP/1.1 206 Partial\r\nContent-Length: 3\r\n\r\nabc");
        char* body = nullptr;
        uint32_t length = 0;
        int32_t result = driver.GetRange("http://h/f", 0, c.mode, c.first, c.count, &body, &length, nullptr);
        HttpFree(body);
        if (c.range == nullptr) {
            EXPECT_EQ(result, kHttpInvalidArg) << "mode " << c.mode;
            EXPECT_TRUE(driver.calls.empty()) << "mode " << c.mode;
            continue;
        }
        EXPECT_EQ(result, kHttpOk);
        ASSERT_EQ(driver.requests.size(), 1u);
        EXPECT_NE(driver.requests[0].find(std::string("\r\nAccept-Ranges: bytes\r\nRange: ") + c.range + "\r\n"),
                  std::string::npos)
            << c.range;
    }
}

TEST(GetRange, ARedirectAsksForTheSameRange) {
    FakeDriver driver;
    driver.Respond(Answer(302, "Location: http://mirror/f\r\n"));
    driver.Respond("HTTP/1.1 206 Partial\r\nContent-Length: 3\r\n\r\nabc");
    char* body = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(driver.GetRange("http://h/f", 0, 0, 10, 3, &body, &length, nullptr), kHttpOk);
    EXPECT_EQ(std::string(body, length), "abc");
    HttpFree(body);
    ASSERT_EQ(driver.requests.size(), 2u);
    EXPECT_NE(driver.requests[1].find("Host: mirror:80\r\n"), std::string::npos);
    EXPECT_NE(driver.requests[1].find("Range: bytes=10-12\r\n"), std::string::npos);
}

TEST(Get, BodiesStatusesAndOutputs) {
    struct Case {
        const char* name;
        std::string response;
        int32_t result;
        std::string body;
        bool bodyNull;
    } cases[] = {
        {"200 by length", Ok("hello"), kHttpOk, "hello", false},
        {"200 chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", kHttpOk,
         "hello", false},
        {"length wins over chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\nabc",
         kHttpOk, "abc", false},
        {"until close", "HTTP/1.1 200 OK\r\n\r\nto the end", kHttpOk, "to the end", false},
        {"404", Answer(404, "", "missing"), -404, "", true},
        {"500", Answer(500), -500, "", true},
        {"truncated body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", kHttpSocketReadFailed, "", true},
        {"broken status line", "HTTP/0.9 200 OK\r\n\r\n", kHttpMalformed, "", true},
        {"absurd length", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n", kHttpMalformed, "", true},
    };
    for (const auto& c : cases) {
        FakeDriver driver;
        driver.Respond(c.response);
        GetOutcome outcome = RunGet(driver, "http://h/x");
        EXPECT_EQ(outcome.result, c.result) << c.name;
        EXPECT_EQ(outcome.body, c.body) << c.name;
        EXPECT_EQ(outcome.bodyNull, c.bodyNull) << c.name;
        if (c.bodyNull) {
            EXPECT_EQ(outcome.length, 0u) << c.name;
        }
    }
}

TEST(Get, InterimHundredIsNotTheAnswer) {
    // The drivers skip a 100 answer before handing the header block over; the flow then sees the
    // real answer. A 100 reaching the flow is not a success.
    FakeDriver driver;
    driver.Respond("HTTP/1.1 100 Continue\r\n\r\n");
    EXPECT_EQ(RunGet(driver, "http://h/x").result, -100);
}

TEST(Get, MissingOrMixedOutputsAreRejected) {
    FakeDriver driver;
    char* body = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(driver.Get(nullptr, 0, &body, &length, nullptr), kHttpInvalidArg);
    EXPECT_EQ(driver.Get("http://h/", 0, nullptr, &length, nullptr), kHttpInvalidArg);
    EXPECT_EQ(driver.Get("http://h/", 0, HttpDiscardBody(), &length, nullptr), kHttpInvalidArg);
    EXPECT_EQ(driver.Get("http://h/", 0, &body, HttpDiscardLength(), nullptr), kHttpInvalidArg);
    EXPECT_TRUE(driver.calls.empty());
}

TEST(Get, DiscardModeSkipsTheBodyButReadsAChallengeBody) {
    FakeDriver driver;
    driver.Respond(Ok("unwanted"));
    EXPECT_EQ(driver.Get("http://h/x", 0, HttpDiscardBody(), HttpDiscardLength(), nullptr), kHttpOk);
    EXPECT_FALSE(driver.bodyRead);

    FakeDriver challenged;
    challenged.Respond(Answer(401, "WWW-Authenticate: Basic realm=\"r\"\r\n", "denied"));
    challenged.Respond(Ok("unwanted"));
    EXPECT_EQ(challenged.Get("http://h/x", 0, HttpDiscardBody(), HttpDiscardLength(), nullptr), kHttpOk);
    EXPECT_TRUE(challenged.bodyRead) << "the 401 body is read (and released: see the leak checker)";
}

TEST(Get, ConnectionCloseMarksTheConnection) {
    FakeDriver driver;
    driver.Respond(Ok("x", "Connection: Close\r\n"));
    int32_t keepAlive = -1;
    char* body = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(driver.Get("http://h/", 0, &body, &length, &keepAlive), kHttpOk);
    HttpFree(body);
    EXPECT_EQ(keepAlive, 0);
    EXPECT_EQ(driver.markedClosed, 1);
}

struct RedirectCase {
    const char* name;
    int status;
    uint32_t flags;
    bool followed;
};

TEST(Redirects, WhichAnswersAreFollowed) {
    const RedirectCase cases[] = {
        {"301", 301, 0, true},
        {"301 with no-follow", 301, kHttpFlagNoFollow301, false},
        {"302", 302, 0, true},
        {"302 ignores no-follow", 302, kHttpFlagNoFollow301, true},
        {"303", 303, kHttpFlagNoFollow301, true},
        {"307 is not followed", 307, 0, false},
    };
    for (const auto& c : cases) {
        FakeDriver driver;
        driver.Respond(Answer(c.status, "Location: http://other/new\r\n"));
        driver.Respond(Ok("there"));
        GetOutcome outcome = RunGet(driver, "http://h/old", c.flags);
        if (c.followed) {
            EXPECT_EQ(outcome.result, kHttpOk) << c.name;
            EXPECT_EQ(outcome.body, "there") << c.name;
            ASSERT_EQ(driver.requests.size(), 2u) << c.name;
            EXPECT_EQ(driver.requests[1].substr(0, 32), "GET /new HTTP/1.1\r\nHost: other:8") << c.name;
        } else {
            EXPECT_EQ(outcome.result, -c.status) << c.name;
            EXPECT_EQ(driver.requests.size(), 1u) << c.name;
        }
    }
}

TEST(Redirects, PostIsRepostedWithItsBody) {
    FakeDriver driver;
    driver.Respond(Answer(303, "Location: http://h/next\r\n"));
    driver.Respond(Ok("done"));
    char* body = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(driver.Post("http://h/form", 0, "a=1", 3, 0, nullptr, &body, &length), kHttpOk);
    EXPECT_EQ(std::string(body, length), "done");
    HttpFree(body);
    ASSERT_EQ(driver.requests.size(), 2u);
    EXPECT_EQ(driver.requests[1].substr(0, 10), "POST /next");
    const std::string tail = "Content-Length: 3\r\n\r\na=1";
    EXPECT_EQ(driver.requests[1].substr(driver.requests[1].size() - tail.size()), tail);
}

TEST(Redirects, ALoopEndsWithAClearStatus) {
    FakeDriver driver;
    for (int i = 0; i < 100; ++i) driver.Respond(Answer(302, "Location: http://h/loop\r\n"));
    EXPECT_EQ(RunGet(driver, "http://h/loop").result, kHttpTooManyRedirects);
    EXPECT_EQ(driver.requests.size(), static_cast<size_t>(kHttpMaxRedirects + 1));
}

TEST(Redirects, DiscardModeStaysOnAfterARedirect) {
    FakeDriver driver;
    driver.Respond(Answer(302, "Location: http://h/b\r\n"));
    driver.Respond(Ok("unwanted"));
    EXPECT_EQ(driver.Get("http://h/a", 0, HttpDiscardBody(), HttpDiscardLength(), nullptr), kHttpOk);
    EXPECT_FALSE(driver.bodyRead);
}

TEST(Redirects, WithoutLocationFails) {
    FakeDriver driver;
    driver.Respond(Answer(302));
    EXPECT_EQ(RunGet(driver, "http://h/x").result, kHttpInvalidServerResponse);
}

TEST(Authentication, AtMostThreeRetriesThenTheStatus) {
    FakeDriver driver;
    for (int i = 0; i < 10; ++i) driver.Respond(Answer(401, "", "no"));
    EXPECT_EQ(RunGet(driver, "http://h/x").result, -401);
    EXPECT_EQ(driver.requests.size(), 4u);
    int connects = 0;
    for (const auto& call : driver.calls) connects += call.rfind("ConnectUrl", 0) == 0 ? 1 : 0;
    EXPECT_EQ(connects, 3);
    int opens = 0;
    for (const auto& call : driver.calls) opens += call.rfind("OpenRequest", 0) == 0 ? 1 : 0;
    EXPECT_EQ(opens, 1) << "a retry re-sends the prepared request";
}

TEST(Authentication, ARetryThatSucceedsReturnsItsBody) {
    FakeDriver driver;
    driver.Respond(Answer(407, "", "proxy says no"));
    driver.Respond(Ok("granted"));
    GetOutcome outcome = RunGet(driver, "http://h/x");
    EXPECT_EQ(outcome.result, kHttpOk);
    EXPECT_EQ(outcome.body, "granted");
}

TEST(Authentication, NoAuthenticationFlagMeansNoRetry) {
    FakeDriver driver;
    driver.Respond(Answer(401));
    driver.Respond(Ok("never"));
    EXPECT_EQ(RunGet(driver, "http://h/x", kHttpFlagNoAuthentication).result, -401);
    EXPECT_EQ(driver.requests.size(), 1u);
}

TEST(Authentication, ADriverWithoutCredentialsEndsTheFlow) {
    FakeDriver driver;
    driver.challengeAnswer = kHttpFailed;
    driver.Respond(Answer(401));
    EXPECT_EQ(RunGet(driver, "http://h/x").result, kHttpFailed);
}

TEST(Put, ReadsAndDropsTheAnswer) {
    FakeDriver driver;
    driver.Respond(Ok("stored"));
    EXPECT_EQ(driver.Put("http://h/up", 0, "data", 4, 5, nullptr), kHttpOk);
    EXPECT_TRUE(driver.bodyRead);
    EXPECT_EQ(driver.requests[0].substr(0, 8), "PUT /up ");

    FakeDriver refused;
    refused.Respond(Answer(403, "", "forbidden"));
    EXPECT_EQ(refused.Put("http://h/up", 0, "data", 4, 5, nullptr), -403);
}

class ChunkedSource : public HttpBodySource {
public:
    void Attach(HttpDriver&) override { ++attached; }
    uint32_t TotalLength() override { return 0; }
    bool IsChunked() override { return true; }
    int32_t WriteNextPiece(HttpDriver& driver, bool* finished) override {
        static const char* pieces[] = {"abc", "defghijklmnopq"};
        int32_t result = driver.WriteData(pieces[next], static_cast<uint32_t>(std::strlen(pieces[next])));
        *finished = ++next == 2;
        return result;
    }
    int32_t Rewind() override {
        next = 0;
        ++rewinds;
        return kHttpOk;
    }
    int next = 0;
    int attached = 0;
    int rewinds = 0;
};

TEST(PostFromSource, ChunkedPiecesAndARewindBeforeEachResend) {
    FakeDriver driver;
    driver.Respond(Answer(401));
    driver.Respond(Ok("ok"));
    ChunkedSource source;
    char* body = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(driver.PostFromSource("http://h/s", 0, 3, &source, nullptr, &body, &length), kHttpOk);
    HttpFree(body);
    ASSERT_EQ(driver.requests.size(), 2u);
    EXPECT_EQ(source.rewinds, 1);
    // The resent body is whole again after the rewind.
    EXPECT_EQ(driver.requests[1].substr(driver.requests[1].size() - 32),
              "3\r\nabc\r\ne\r\ndefghijklmnopq\r\n0\r\n\r\n");
}

TEST(PostFromSource, ASourceAndABodyTogetherAreRejected) {
    struct Exposed : FakeDriver {
        using HttpDriver::SendRequestGeneric;
    } driver;
    ChunkedSource source;
    char* body = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(driver.SendRequestGeneric("POST", "http://h/", 0, nullptr, "x", 1, 3, nullptr, &body, &length, &source),
              kHttpInvalidArg);
}

TEST(ReadResponseBody, FramingComesFromTheHeaderQueries) {
    struct Case {
        const char* name;
        std::string response;
        uint32_t readFlags;
        std::string body;
    } cases[] = {
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n", kHttpReadChunked,
         "ab"},
        {"by length", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcdef", 0, "abc"},
        {"until close", "HTTP/1.1 200 OK\r\n\r\nabcdef", 0, "abcdef"},
    };
    for (const auto& c : cases) {
        FakeDriver driver;
        driver.Respond(c.response);
        ASSERT_EQ(driver.OpenRequest("GET", "http://h/", 0, nullptr), kHttpOk);
        ASSERT_EQ(driver.SendRequest(nullptr, 0, 0), kHttpOk);
        char* body = nullptr;
        uint32_t length = 0;
        int32_t complete = 0;
        // The base ReadResponse forwards to ReadResponseBody.
        EXPECT_EQ(driver.HttpDriver::ReadResponse(0, &length, &body, &complete), kHttpOk) << c.name;
        EXPECT_EQ(driver.lastReadFlags, c.readFlags) << c.name;
        EXPECT_EQ(std::string(body, length), c.body) << c.name;
        HttpFree(body);
    }
}

TEST(OnAuthenticationChallenge, TheBaseClassHasNoCredentials) {
    FakeDriver driver;
    char* credentials = nullptr;
    EXPECT_EQ(driver.OnAuthenticationChallenge("http://h/", 401, "Basic", "\"r\"", &credentials), kHttpFailed);
    EXPECT_EQ(driver.OnAuthenticationChallenge("http://h/", 401, nullptr, "\"r\"", &credentials), kHttpInvalidArg);
    EXPECT_EQ(driver.OnAuthenticationChallenge("http://h/", 401, "Basic", nullptr, &credentials), kHttpInvalidArg);
    EXPECT_EQ(driver.OnAuthenticationChallenge("http://h/", 401, "Basic", "\"r\"", nullptr), kHttpInvalidArg);
    EXPECT_EQ(credentials, nullptr);
}

class HeadTest : public ::testing::Test {
protected:
    platform::fakes::ScopedFakeMachine machine;
};

TEST_F(HeadTest, ModeAndSizeFollowLengthAndPutSetting) {
    struct Case {
        const char* name;
        std::string response;
        bool putSet;
        uint16_t mode;
        int64_t size;
    } cases[] = {
        {"file, writable", Ok(std::string(1234, 'x')), false, 0x8180, 1234},
        {"file, put set", Ok(std::string(1234, 'x')), true, 0x8100, 1234},
        {"no length, writable", "HTTP/1.1 200 OK\r\n\r\n", false, 0x4180, 0},
        {"no length, put set", "HTTP/1.1 200 OK\r\n\r\n", true, 0x4100, 0},
    };
    for (const auto& c : cases) {
        ProcessSettings settings;
        settings.httpPutConfigured = c.putSet;
        ScopedProcessSettings scope(settings);
        FakeDriver driver;
        driver.Respond(c.response);
        HttpFileStatus record;
        std::memset(&record, 0xAB, sizeof record);
        EXPECT_EQ(driver.Head("http://h/f", 0, &record), kHttpOk) << c.name;
        EXPECT_EQ(record.mode, c.mode) << c.name;
        EXPECT_EQ(record.size, c.size) << c.name;
        EXPECT_EQ(record.modifyTime, 0) << c.name << ": the rest of the record is cleared";
        EXPECT_FALSE(driver.bodyRead) << c.name;
        EXPECT_EQ(driver.requests[0].substr(0, 8), "HEAD /f ") << c.name;
    }
}

TEST_F(HeadTest, OtherStatusesComeBackAsTheyAre) {
    FakeDriver driver;
    driver.Respond(Answer(404));
    HttpFileStatus record{};
    EXPECT_EQ(driver.Head("http://h/f", 0, &record), 404);
    EXPECT_EQ(driver.Head(nullptr, 0, &record), kHttpInvalidArg);
    EXPECT_EQ(driver.Head("http://h/f", 0, nullptr), kHttpInvalidArg);
}

TEST_F(HeadTest, ARedirectReentersThroughTheOwner) {
    FakeDriver driver;
    FakeOwner owner(driver);
    driver.SetOwner(&owner);
    driver.Respond(Answer(302, "Location: http://mirror/f\r\n"));
    driver.Respond(Ok("abc"));
    HttpFileStatus record{};
    EXPECT_EQ(driver.Head("http://h/f", 0, &record), kHttpOk);
    EXPECT_EQ(owner.urls, std::vector<std::string>{"http://mirror/f"});
    EXPECT_EQ(record.size, 3);
}

TEST_F(HeadTest, LoopsThroughTheOwnerAreBounded) {
    FakeDriver driver;
    FakeOwner owner(driver);
    driver.SetOwner(&owner);
    for (int i = 0; i < 100; ++i) driver.Respond(Answer(301, "Location: http://h/f\r\n"));
    HttpFileStatus record{};
    EXPECT_EQ(driver.Head("http://h/f", 0, &record), kHttpTooManyRedirects);
    EXPECT_EQ(owner.urls.size(), static_cast<size_t>(kHttpMaxRedirects));

    FakeDriver challenged;
    for (int i = 0; i < 100; ++i) challenged.Respond(Answer(401));
    EXPECT_EQ(challenged.Head("http://h/f", 0, &record), 401);
    EXPECT_EQ(challenged.requests.size(), static_cast<size_t>(kHttpMaxAuthenticationRetries + 1));

    // A later Head starts with a fresh budget.
    FakeDriver later;
    later.Respond(Answer(302, "Location: http://h/g\r\n"));
    later.Respond(Ok("x"));
    EXPECT_EQ(later.Head("http://h/f", 0, &record), kHttpOk);
}

TEST_F(HeadTest, NoFollowFlagReturnsThe301) {
    FakeDriver driver;
    driver.Respond(Answer(301, "Location: http://h/g\r\n"));
    HttpFileStatus record{};
    EXPECT_EQ(driver.Head("http://h/f", kHttpFlagNoFollow301, &record), 301);
}

}  // namespace
