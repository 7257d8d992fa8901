// The socket driver's own wire bytes and failure handling, against the scripted server and nginx.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "http/HttpDriverFactory.h"
#include "http/socket/SocketHttpDriver.h"
#include "tests/http/integration/TestServers.h"

namespace {

class SocketDriver : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_SERVERS(); }
    const TestServers& servers() const { return TestServers::Get(); }

    // The request exactly as the server received it.
    std::string Echo(SocketHttpDriver& driver, const std::string& path, uint32_t flags = 0, int32_t* status = nullptr) {
        HttpOwnedBuffer body;
        int32_t keepAlive = 0;
        int32_t result = driver.Get(servers().Scripted(path).c_str(), flags, &body.data, &body.length, &keepAlive);
        if (status != nullptr) *status = result;
        return body.Text();
    }
};

TEST_F(SocketDriver, AcceptLineOnlyWithLinesAddedBeforeTheFirstRequest) {
    SocketHttpDriver driver(nullptr, 1, 0);
    ASSERT_EQ(driver.AddRequestHeaders("X-Early: 1\r\n", kHttpAddReqCoalesceComma), 0);
    std::string first = Echo(driver, "/echo");
    EXPECT_EQ(first.rfind("GET /echo HTTP/1.0\r\n", 0), 0u) << first;
    EXPECT_NE(first.find("\r\nX-Early: 1\r\nAccept: */*\r\n\r\n"), std::string::npos) << first;
    std::string second = Echo(driver, "/echo");
    EXPECT_EQ(second.find("Accept:"), std::string::npos) << second;
    EXPECT_EQ(second.find("X-Early"), std::string::npos) << second;
}

TEST_F(SocketDriver, LongTargetsAgentsAndLinesAreSentWhole) {
    const std::string longPath = "/echo/" + std::string(6000, 'p');
    const std::string longAgent = std::string(3000, 'A') + "\r\n";
    const std::string longLine = "X-Long: " + std::string(5000, 'l') + "\r\n";

    SocketHttpDriver plain(nullptr, 1, 1);
    EXPECT_NE(Echo(plain, longPath).find("GET " + longPath + " HTTP/1.1\r\n"), std::string::npos);

    SocketHttpDriver agent(longAgent.c_str(), 1, 1);
    EXPECT_NE(Echo(agent, "/echo").find("\r\nUser-Agent: " + longAgent), std::string::npos);

    SocketHttpDriver lines(nullptr, 1, 1);
    ASSERT_EQ(lines.AddRequestHeaders(longLine.c_str(), kHttpAddReqCoalesceComma), 0);
    EXPECT_NE(Echo(lines, "/echo").find("\r\n" + longLine), std::string::npos);
}

TEST_F(SocketDriver, AgentWithoutLineEndDoesNotRunIntoTheNextLine) {
    SocketHttpDriver driver("Plain agent", 1, 1);
    std::string request = Echo(driver, "/echo", kHttpFlagKeepAlive);
    EXPECT_NE(request.find("\r\nUser-Agent: Plain agent\r\nConnection: Keep-Alive\r\n"), std::string::npos) << request;
}

TEST_F(SocketDriver, IdleConnectionIsReusedAndAClosedOneReplaced) {
    SocketHttpDriver driver(nullptr, 1, 1);
    std::string first = Echo(driver, "/connection-id", kHttpFlagKeepAlive);
    EXPECT_EQ(Echo(driver, "/connection-id", kHttpFlagKeepAlive), first);
    // The server drops the connection shortly after this answer; once it has, the probe sees the
    // end of the stream. (The pause only lets the close happen; nothing here is timed.)
    EXPECT_EQ(Echo(driver, "/close-after", kHttpFlagKeepAlive), first);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    std::string fresh = Echo(driver, "/connection-id", kHttpFlagKeepAlive);
    EXPECT_NE(fresh, first);
    EXPECT_FALSE(fresh.empty());
    // "Connection: Close" marks the connection closed: the next request connects afresh.
    EXPECT_EQ(Echo(driver, "/connection-close", kHttpFlagKeepAlive), fresh);
    EXPECT_NE(Echo(driver, "/connection-id", kHttpFlagKeepAlive), fresh);
}

TEST_F(SocketDriver, BrokenAnswersGiveTheirStatus) {
    struct Case {
        const char* path;
        int32_t expected;
    };
    const Case cases[] = {
        // The driver reads the status before the parser does: only "HTTP/1." answers have one.
        {"/broken-status?kind=major0", kHttpInvalidServerResponse},
        {"/broken-status?kind=nonumber", kHttpMalformed},
        {"/chunked-bad-framing", kHttpReadFailed},
        {"/chunked-truncated", kHttpReadFailed},
        {"/chunked-bad-size", kHttpMalformed},
        {"/truncated", kHttpSocketReadFailed},
        {"/no-location", kHttpInvalidServerResponse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        SocketHttpDriver driver(nullptr, 1, 1);
        int32_t status = 0;
        Echo(driver, c.path, 0, &status);
        EXPECT_EQ(status, c.expected);
    }
}

TEST_F(SocketDriver, ChunkedAnswerWithContentLengthIsReadByLength) {
    SocketHttpDriver driver(nullptr, 1, 1);
    EXPECT_EQ(Echo(driver, "/chunked-with-length"), "hello");
}

TEST_F(SocketDriver, StalledServerEndsWithTimeOutInsteadOfHanging) {
    for (const char* path : {"/stall?when=headers", "/stall?when=body"}) {
        SCOPED_TRACE(path);
        SocketHttpDriver driver(nullptr, 1, 1);
        driver.SetReceiveTimeoutMs(500);
        int32_t status = 0;
        Echo(driver, path, 0, &status);
        EXPECT_EQ(status, kHttpTimeout);
    }
}

TEST_F(SocketDriver, ChallengesWithoutCredentialsEndTheFlow) {
    SocketHttpDriver driver(nullptr, 1, 1);
    int32_t status = 0;
    Echo(driver, "/auth401", 0, &status);
    EXPECT_EQ(status, kHttpFailed);
    Echo(driver, "/auth401", kHttpFlagNoChallenge401, &status);
    EXPECT_EQ(status, -401);
}

// A derived driver that can answer a proxy challenge: the credentials go out on the retry.
class CredentialDriver : public SocketHttpDriver {
public:
    CredentialDriver() : SocketHttpDriver(nullptr, 1, 1) {}
    int32_t OnAuthenticationChallenge(const char*, int32_t status, const char* scheme, const char* challenge,
                                      char** credentials) override {
        seenScheme = scheme;
        seenChallenge = challenge;
        seenStatus = status;
        *credentials = HttpDuplicate("dXNlcjpwdw==", 12);
        return 0;
    }
    std::string seenScheme, seenChallenge;
    int32_t seenStatus = 0;
};

TEST_F(SocketDriver, ChallengeSchemeAndRealmReachTheHook) {
    CredentialDriver driver;
    int32_t status = 0;
    Echo(driver, "/auth401", 0, &status);
    // Without a proxy nothing carries the credentials: the retries run out on the same 401.
    EXPECT_EQ(status, -401);
    EXPECT_EQ(driver.seenStatus, 401);
    EXPECT_EQ(driver.seenScheme, "Basic");
    EXPECT_EQ(driver.seenChallenge, "\"korvo\"");
}

TEST_F(SocketDriver, RedirectLoopIsBounded) {
    SocketHttpDriver driver(nullptr, 1, 1);
    int32_t status = 0;
    Echo(driver, "/loop", 0, &status);
    EXPECT_EQ(status, kHttpTooManyRedirects);
}

TEST_F(SocketDriver, CookieComesBackOnlyUnderItsPath) {
    SocketHttpDriver driver(nullptr, 1, 1);
    int32_t status = -1;
    // The server sets "id=42; path=/cookie/a".
    Echo(driver, "/cookie/a/b/set", 0, &status);
    ASSERT_EQ(status, 0);
    EXPECT_NE(Echo(driver, "/cookie/a/c/echo").find("\r\nCookie: id=42; $Path=/cookie/a\r\n"), std::string::npos);
    EXPECT_EQ(Echo(driver, "/cookie/b/echo").find("id=42"), std::string::npos);
}

TEST_F(SocketDriver, HeaderQueriesWalkTheStoredAnswer) {
    SocketHttpDriver driver(nullptr, 1, 1);
    HttpOwnedBuffer body;
    int32_t keepAlive = 0;
    ASSERT_EQ(driver.Get(servers().Scripted("/long-header?size=3000").c_str(), 0, &body.data, &body.length, &keepAlive),
              0);
    HttpOwnedBuffer value;
    ASSERT_EQ(driver.QueryInfo(&value.data, &value.length, nullptr, kHttpQueryCustom, "X-Long"), 0);
    EXPECT_EQ(value.Text(), std::string(3000, 'v'));
    value.Reset();
    ASSERT_EQ(driver.QueryInfo(&value.data, &value.length, nullptr, kHttpQueryCustom, "x-after:"), 0);
    EXPECT_EQ(value.Text(), "seen");
    value.Reset();
    ASSERT_EQ(driver.QueryInfo(&value.data, &value.length, nullptr, kHttpQueryRawHeadersCrlf, nullptr), 0);
    EXPECT_EQ(value.Text().rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    value.Reset();
    EXPECT_EQ(driver.QueryInfo(&value.data, &value.length, nullptr, kHttpQueryDate, nullptr), kHttpHeaderNotFound);
    EXPECT_EQ(driver.QueryInfo(&value.data, &value.length, nullptr, 12345, nullptr), kHttpHeaderNotFound);
}

TEST_F(SocketDriver, OptionsOnlyTakeSecurityFlags) {
    SocketHttpDriver driver(nullptr, 1, 1);
    uint32_t word = 0x1234;
    uint32_t size = 77;
    EXPECT_EQ(driver.QueryOption(6, &word, &size), 0);
    EXPECT_EQ(word, 0x1234u);
    EXPECT_EQ(size, 77u);
    struct Case {
        uint32_t option;
        const void* value;
        uint32_t size;
        int32_t expected;
    };
    const Case cases[] = {
        {31, &word, 4, 0},
        {31, &word, 3, kHttpInvalidArg},
        {31, nullptr, 4, kHttpInvalidArg},
        {2, &word, 4, kHttpInvalidArg},
    };
    for (const Case& c : cases) EXPECT_EQ(driver.SetOption(c.option, c.value, c.size), c.expected) << c.option;
}

TEST_F(SocketDriver, TlsAndUnknownHostsFailClearly) {
    SocketHttpDriver driver(nullptr, 1, 1);
    HttpOwnedBuffer body;
    int32_t keepAlive = 0;
    EXPECT_EQ(driver.Get("https://127.0.0.1/", 0, &body.data, &body.length, &keepAlive), kHttpSchemeNotSupported);
    // A host name far longer than any buffer a request line could have had.
    std::string longHost = "http://" + std::string(400, 'h') + ".invalid/x";
    EXPECT_EQ(driver.Get(longHost.c_str(), 0, &body.data, &body.length, &keepAlive), kHttpNotConnected);
    EXPECT_EQ(driver.ConnectUrl(longHost.c_str()), kHttpConnectUrlFailed);
    EXPECT_EQ(driver.Connect(nullptr, 80, 0), kHttpFailed);
}

}  // namespace

namespace {

TEST_F(SocketDriver, RetriedPostDeclaresItsLengthOnce) {
    CredentialDriver driver;
    HttpOwnedBuffer echo;
    int32_t keepAlive = 0;
    ASSERT_EQ(driver.Post(servers().Scripted("/auth-once").c_str(), kHttpFlagKeepAlive, "hello", 5, 5, &keepAlive,
                          &echo.data, &echo.length),
              0);
    std::string request = echo.Text();
    size_t first = request.find("Content-Length: 5\r\n");
    ASSERT_NE(first, std::string::npos) << request;
    EXPECT_EQ(request.find("Content-Length", first + 1), std::string::npos) << request;
    EXPECT_EQ(request.substr(request.size() - 5), "hello");
}

TEST_F(SocketDriver, ResponseCanBeReadPieceByPiece) {
    SocketHttpDriver driver(nullptr, 1, 1);
    ASSERT_EQ(driver.OpenRequest("GET", servers().Scripted("/chunked").c_str(), 0, nullptr), 0);
    ASSERT_EQ(driver.SendRequest(nullptr, 0, 0), 0);
    std::string body;
    int32_t complete = 0;
    int pieces = 0;
    for (; pieces < 10 && !complete; ++pieces) {
        HttpOwnedBuffer piece;
        ASSERT_EQ(driver.ReadResponse(kHttpFlagFirstPieceOnly, &piece.length, &piece.data, &complete), 0);
        body += piece.Text();
    }
    EXPECT_EQ(body, "abcdefghijklmnopqrstuvwxyz01234");
    EXPECT_EQ(pieces, 3);  // two chunks, then the last (empty) one
}

}  // namespace

namespace {

TEST_F(SocketDriver, ChallengeHeaderIsFoundOnlyAtALineStart) {
    CredentialDriver driver;
    int32_t status = 0;
    Echo(driver, "/challenge-in-value", 0, &status);
    EXPECT_EQ(status, -401);
    EXPECT_EQ(driver.seenScheme, "Basic");
    EXPECT_EQ(driver.seenChallenge, "\"right\"");
}

TEST_F(SocketDriver, ChallengeTextIsReadWithinItsOwnLine) {
    struct Case {
        std::string value;
        int32_t status;
        std::string scheme, challenge;
    };
    const Case cases[] = {
        {"Basic realm=abc", -401, "Basic", "abc"},
        // The header ends right after the scheme: nothing past its line is taken as the challenge.
        {"Negotiate", -401, "Negotiate", ""},
        {"Digest nonce=1", -401, "Digest", "nonce=1"},
        // A scheme word longer than any scheme is refused, not copied.
        {std::string(300, 'S'), kHttpInvalidServerResponse, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.substr(0, 20));
        CredentialDriver driver;
        int32_t status = 0;
        Echo(driver, "/auth401-custom?value=" + c.value, 0, &status);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(driver.seenScheme, c.scheme);
        EXPECT_EQ(driver.seenChallenge, c.challenge);
    }
}

}  // namespace
