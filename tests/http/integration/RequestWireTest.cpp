// The bytes the socket driver really sends, captured by a bare listening socket: request line, Host
// line, agent, keep-alive line, range lines, content-type lines, body framing and proxy lines.
#include <gtest/gtest.h>

#include <cstring>

#include "http/socket/SocketHttpDriver.h"
#include "http/socket/SocketProcessSettings.h"
#include "tests/http/integration/RawListener.h"
#include "tests/http/integration/TestServers.h"

namespace {

const std::string kAgentLine = "User-Agent: VOLNIR HTTP CLIENT/v2.0-HV\r\n";

std::string Answer(int status, const std::string& extra = "", const std::string& body = "ok") {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\n" + extra + "Content-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// A body handed over in three pieces, chunked.
class PiecesSource : public HttpBodySource {
public:
    void Attach(HttpDriver&) override {}
    uint32_t TotalLength() override { return 0; }
    bool IsChunked() override { return true; }
    int32_t WriteNextPiece(HttpDriver& driver, bool* finished) override {
        static const char* const kPieces[] = {"abc", "defghijklmnopq", "ij"};
        int32_t result = driver.WriteData(kPieces[next_], static_cast<uint32_t>(std::strlen(kPieces[next_])));
        *finished = ++next_ == 3;
        return result;
    }
    int32_t Rewind() override {
        next_ = 0;
        return 0;
    }

private:
    int next_ = 0;
};

class RequestWire : public ::testing::Test {
protected:
    void SetUp() override { socket_settings::ResetForTests(); }
    void TearDown() override { socket_settings::ResetForTests(); }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(listener_.Port()) + path;
    }
    std::string Host() const { return "Host: 127.0.0.1:" + std::to_string(listener_.Port()) + "\r\n"; }

    RawListener listener_;
};

TEST_F(RequestWire, GetsDirectToTheServer) {
    struct Case {
        std::string path;
        uint32_t flags;
        int32_t rangeMode;  // -1: a plain Get
        uint32_t first, count;
        std::string lines;  // between the agent line and the empty line
    };
    const Case cases[] = {
        {"/f?x=1", 0, -1, 0, 0, ""},
        {"", kHttpFlagKeepAlive, -1, 0, 0, "Connection: Keep-Alive\r\n"},
        {"/slice", kHttpFlagKeepAlive, 0, 0, 524288,
         "Connection: Keep-Alive\r\nAccept-Ranges: bytes\r\nRange: bytes=0-524287\r\n"},
        {"/slice", 0, 0, 4000000000u, 10, "Accept-Ranges: bytes\r\nRange: bytes=4000000000-4000000009\r\n"},
        {"/slice", 0, 2, 0, 500, "Accept-Ranges: bytes\r\nRange: bytes=-500\r\n"},
        {"/slice", 0, 2, 100, 200, "Accept-Ranges: bytes\r\nRange: bytes=100-200\r\n"},
    };
    std::vector<std::string> answers(std::size(cases), Answer(200));
    listener_.Serve(answers);
    SocketHttpDriver driver(nullptr, 1, 1);
    for (const Case& c : cases) {
        HttpOwnedBuffer body;
        int32_t keepAlive = 0;
        int32_t result = c.rangeMode < 0
                             ? driver.Get(Url(c.path).c_str(), c.flags, &body.data, &body.length, &keepAlive)
                             : driver.GetRange(Url(c.path).c_str(), c.flags, c.rangeMode, c.first, c.count, &body.data,
                                               &body.length, &keepAlive);
        EXPECT_EQ(result, 0) << c.path;
    }
    std::vector<std::string> requests = listener_.Requests();
    ASSERT_EQ(requests.size(), std::size(cases));
    for (size_t i = 0; i < requests.size(); ++i) {
        const Case& c = cases[i];
        std::string target = c.path.empty() ? "/" : c.path;
        EXPECT_EQ(requests[i], "GET " + target + " HTTP/1.1\r\n" + Host() + kAgentLine + c.lines + "\r\n") << i;
    }
}

TEST_F(RequestWire, PostsByLengthWithTheirContentTypeAndInChunks) {
    struct Case {
        int32_t code;
        std::string typeLine;
    };
    const Case cases[] = {
        {0, "Content-Type: application/x-www-form-urlencoded\r\n"},
        {1, "Content-Type: text/HTML\r\n"},
        {2, "Content-Type: text/plain\r\n"},
        {3, "Content-Type: text/xml\r\n"},
        {4, "Content-Type: text/xml;charset=utf-8\r\n"},
        {5, "Content-Type: application/octetstream\r\n"},
        {7, "Content-Type: text/plain\r\n"},
        {6, ""},
    };
    listener_.Serve(std::vector<std::string>(std::size(cases) + 1, Answer(200)));
    SocketHttpDriver driver(nullptr, 1, 1);
    for (const Case& c : cases) {
        HttpOwnedBuffer body;
        int32_t keepAlive = 0;
        const bool noBody = c.code == kHttpContentNone;
        EXPECT_EQ(driver.Post(Url("/p").c_str(), kHttpFlagKeepAlive, noBody ? nullptr : "hello", noBody ? 0 : 5, c.code,
                              &keepAlive, &body.data, &body.length),
                  0)
            << c.code;
    }
    PiecesSource source;
    HttpOwnedBuffer body;
    int32_t keepAlive = 0;
    EXPECT_EQ(
        driver.PostFromSource(Url("/s").c_str(), kHttpFlagKeepAlive, 3, &source, &keepAlive, &body.data, &body.length),
        0);
    std::vector<std::string> requests = listener_.Requests();
    ASSERT_EQ(requests.size(), std::size(cases) + 1);
    const std::string head = "POST /p HTTP/1.1\r\n" + Host() + kAgentLine + "Connection: Keep-Alive\r\n";
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        std::string expected =
            c.code == kHttpContentNone ? head + "\r\n" : head + c.typeLine + "Content-Length: 5\r\n\r\nhello";
        EXPECT_EQ(requests[i], expected) << c.code;
    }
    EXPECT_EQ(requests.back(),
              "POST /s HTTP/1.1\r\n" + Host() + kAgentLine +
                  "Connection: Keep-Alive\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n"
                  "3\r\nabc\r\ne\r\ndefghijklmnopq\r\n2\r\nij\r\n0\r\n\r\n");
}

// A derived driver that can answer a proxy challenge.
class ProxyCredentialDriver : public SocketHttpDriver {
public:
    ProxyCredentialDriver() : SocketHttpDriver(nullptr, 1, 1) {}
    int32_t OnAuthenticationChallenge(const char*, int32_t, const char*, const char*, char** credentials) override {
        *credentials = HttpDuplicate("cHJveHk6cHc=", 12);
        return 0;
    }
};

TEST_F(RequestWire, ThroughAProxyTheTargetIsAbsoluteAndCredentialsFollowA407) {
    // The listener stands in for the proxy; the server's name is never resolved by the client.
    ScopedEnvironment environment(std::map<std::wstring, std::wstring>{{L"Proxy", L"127.0.0.1"}});
    socket_settings::UseProxyPortForTests(static_cast<uint16_t>(listener_.Port()));
    listener_.Serve({Answer(407, "Proxy-Authenticate: Basic realm=\"proxy\"\r\n"), Answer(200), Answer(200)});
    ProxyCredentialDriver driver;
    HttpOwnedBuffer body;
    int32_t keepAlive = 0;
    const char* url = "http://origin.invalid:81/dir/f?q=1";
    ASSERT_EQ(driver.Get(url, kHttpFlagKeepAlive, &body.data, &body.length, &keepAlive), 0);
    body.Reset();
    ASSERT_EQ(driver.Get("http://origin.invalid/", 0, &body.data, &body.length, &keepAlive), 0);
    std::vector<std::string> requests = listener_.Requests();
    ASSERT_EQ(requests.size(), 3u);
    const std::string first = "GET http://origin.invalid:81/dir/f?q=1 HTTP/1.1\r\nHost: origin.invalid:81\r\n" +
                              kAgentLine + "Proxy-Connection: Keep-Alive\r\n";
    EXPECT_EQ(requests[0], first + "\r\n");
    EXPECT_EQ(requests[1], first + "Proxy-authorization:  Basic cHJveHk6cHc=\r\n\r\n");
    // Credentials once obtained go with every later request through the proxy.
    EXPECT_EQ(requests[2], "GET http://origin.invalid/ HTTP/1.1\r\nHost: origin.invalid:80\r\n" + kAgentLine +
                               "Proxy-authorization:  Basic cHJveHk6cHc=\r\n\r\n");
}

}  // namespace
