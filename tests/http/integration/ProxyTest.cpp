// The socket driver through a real forward proxy (tinyproxy on 127.0.0.1:8080, named by "Proxy").
#include <gtest/gtest.h>

#include "http/socket/SocketHttpDriver.h"
#include "http/socket/SocketProcessSettings.h"
#include "tests/http/integration/TestServers.h"

namespace {

class ThroughProxy : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_SERVERS();
        if (TestServers::Get().proxyHost.empty()) GTEST_SKIP() << "the fixture runs no proxy";
        // The proxy is read by the first construction in the process: start afresh for each case.
        socket_settings::ResetForTests();
    }
    void TearDown() override { socket_settings::ResetForTests(); }

    std::string Get(const std::string& proxy, const std::string& url, int32_t* status, uint32_t flags = 0) {
        ScopedEnvironment environment(
            std::map<std::wstring, std::wstring>{{L"Proxy", std::wstring(proxy.begin(), proxy.end())}});
        SocketHttpDriver driver(nullptr, 1, 1);
        HttpOwnedBuffer body;
        int32_t keepAlive = 0;
        *status = driver.Get(url.c_str(), flags, &body.data, &body.length, &keepAlive);
        return body.Text();
    }
};

TEST_F(ThroughProxy, RequestReachesTheServerOnItsOwnPort) {
    const TestServers& servers = TestServers::Get();
    const std::string host = "Host: 127.0.0.1:" + std::to_string(servers.scriptedPort) + "\r\n";
    struct Case {
        std::string url;
        std::string requestLine;
    };
    const Case cases[] = {
        {servers.Scripted("/echo?via=proxy"), "GET /echo?via=proxy HTTP/1.1\r\n"},
        {servers.Scripted(""), "GET / HTTP/1.1\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        int32_t status = -1;
        std::string seen = Get(servers.proxyHost, c.url, &status, kHttpFlagKeepAlive);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(seen.rfind(c.requestLine, 0), 0u) << seen;
        EXPECT_NE(seen.find(host), std::string::npos) << seen;
    }
}

TEST_F(ThroughProxy, FilesAndRangesComeThroughWhole) {
    const TestServers& servers = TestServers::Get();
    ScopedEnvironment environment(std::map<std::wstring, std::wstring>{{L"Proxy", L"127.0.0.1"}});
    SocketHttpDriver driver(nullptr, 1, 1);
    HttpOwnedBuffer body;
    int32_t keepAlive = 0;
    ASSERT_EQ(driver.GetRange(servers.Nginx("/three-slices.bin").c_str(), kHttpFlagKeepAlive, 0, 524288, 1000,
                              &body.data, &body.length, &keepAlive),
              0);
    EXPECT_EQ(body.Text(), servers.FileContents("three-slices.bin").substr(524288, 1000));
}

TEST_F(ThroughProxy, UnresolvableProxyFailsTheConnect) {
    int32_t status = 0;
    Get("no-such-proxy.invalid", TestServers::Get().Scripted("/echo"), &status);
    EXPECT_EQ(status, kHttpNotConnected);
}

}  // namespace

namespace {

class ProxyCredentialDriver : public SocketHttpDriver {
public:
    ProxyCredentialDriver() : SocketHttpDriver(nullptr, 1, 1) {}
    int32_t OnAuthenticationChallenge(const char*, int32_t, const char*, const char*, char** credentials) override {
        ++asked;
        *credentials = HttpDuplicate("cHJveHk6cHc=", 12);
        return 0;
    }
    int asked = 0;
};

// The proxy in the tests strips proxy challenges from what it relays, so the challenge comes
// straight from the server here: what is checked is that credentials, once obtained for a 407,
// serve every later driver of the process without asking again.
TEST_F(ThroughProxy, ProxyCredentialsAreAskedForOncePerProcess) {
    const std::string url = TestServers::Get().Scripted("/auth407");
    ProxyCredentialDriver first;
    HttpOwnedBuffer body;
    int32_t keepAlive = 0;
    // No proxy is configured, so nothing carries them and the retries run out.
    EXPECT_EQ(first.Get(url.c_str(), 0, &body.data, &body.length, &keepAlive), -407);
    EXPECT_EQ(first.asked, 1);

    ProxyCredentialDriver later;
    EXPECT_EQ(later.Get(url.c_str(), 0, &body.data, &body.length, &keepAlive), -407);
    EXPECT_EQ(later.asked, 0);
}

}  // namespace
