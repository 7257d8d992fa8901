// The WinINet driver's own behaviour (Windows builds, under Wine here), against the local servers.
#include <gtest/gtest.h>

#include <windows.h>

#include "http/wininet/WinInetHttpDriver.h"
#include "tests/http/integration/TestServers.h"

namespace {

class WinInetDriver : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_SERVERS(); }
    const TestServers& servers() const { return TestServers::Get(); }
    int32_t Get(WinInetHttpDriver& driver, const std::string& url, HttpOwnedBuffer* body, uint32_t flags = 0) {
        int32_t keepAlive = 0;
        return driver.Get(url.c_str(), flags, &body->data, &body->length, &keepAlive);
    }
};

TEST_F(WinInetDriver, ConnectionHandleIsKeptForTheSameServerAndReplacedForAnother) {
    WinInetHttpDriver driver(nullptr, 1, 1);
    HttpOwnedBuffer body;
    ASSERT_EQ(Get(driver, servers().Nginx("/small.txt"), &body), 0);
    const void* first = driver.ConnectionHandle();
    body.Reset();
    ASSERT_EQ(Get(driver, servers().Nginx("/version.txt"), &body), 0);
    EXPECT_EQ(driver.ConnectionHandle(), first);
    body.Reset();
    ASSERT_EQ(Get(driver, servers().Scripted("/connection-id"), &body), 0);
    EXPECT_NE(driver.ConnectionHandle(), nullptr);
    EXPECT_EQ(driver.Server(), "127.0.0.1");
}

TEST_F(WinInetDriver, ThisComputersNameIsAskedForAsLocalhost) {
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof name;
    ASSERT_TRUE(GetComputerNameA(name, &size));
    WinInetHttpDriver driver(nullptr, 1, 1);
    HttpOwnedBuffer body;
    std::string url = "http://" + std::string(name) + ":" + std::to_string(servers().scriptedPort) + "/echo";
    ASSERT_EQ(Get(driver, url, &body), 0);
    EXPECT_EQ(driver.Server(), "localhost");
}

TEST_F(WinInetDriver, LinesAddedBeforeTheFirstRequestAreSent) {
    WinInetHttpDriver driver(nullptr, 1, 1);
    ASSERT_EQ(driver.AddRequestHeaders("X-Early: 1\r\n", kHttpAddReqCoalesceComma), 0);
    HttpOwnedBuffer body;
    ASSERT_EQ(Get(driver, servers().Scripted("/echo"), &body), 0);
    EXPECT_NE(body.Text().find("\r\nX-Early: 1\r\n"), std::string::npos) << body.Text();
    EXPECT_NE(body.Text().find("User-Agent: VOLNIR HTTP CLIENT/v2.1-HV\r\n"), std::string::npos) << body.Text();
}

TEST_F(WinInetDriver, ShortBodyAgainstItsExpectedLengthFails) {
    WinInetHttpDriver driver(nullptr, 1, 1);
    ASSERT_EQ(driver.OpenRequest("GET", servers().Scripted("/truncated").c_str(), 0, nullptr), 0);
    ASSERT_EQ(driver.SendRequest(nullptr, 0, 0), 0);
    HttpOwnedBuffer body;
    body.length = 100;
    EXPECT_EQ(driver.ReadBody(0, &body.length, &body.data), kHttpReadFailed);
    EXPECT_EQ(body.length, 0u);
    EXPECT_EQ(body.data, nullptr);
}

TEST_F(WinInetDriver, OptionsKeepTheirValuesAndCheckTheirSizes) {
    WinInetHttpDriver driver(nullptr, 1, 1);
    const struct { uint32_t option, value; } defaults[] = {{2, 10000}, {5, 36000000}, {6, 36000000}};
    for (auto d : defaults) {
        uint32_t value = 0, size = 4;
        ASSERT_EQ(driver.QueryOption(d.option, &value, &size), 0);
        EXPECT_EQ(value, d.value) << d.option;
        size = 0;
        ASSERT_EQ(driver.QueryOption(d.option, nullptr, &size), 0);
        EXPECT_EQ(size, 4u);
    }
    uint32_t word = 1234;
    EXPECT_EQ(driver.SetOption(6, &word, 4), 0);
    uint32_t value = 0, size = 4;
    ASSERT_EQ(driver.QueryOption(6, &value, &size), 0);
    EXPECT_EQ(value, 1234u);
    const struct {
        uint32_t option;
        const void* value;
        uint32_t size;
        int32_t expected;
    } cases[] = {
        {6, &word, 3, kHttpInvalidArg},
        {6, nullptr, 4, kHttpInvalidArg},
        {99, &word, 4, kHttpInvalidArg},
        {28, "user", 5, kHttpIncorrectHandleState},
        {43, "user", 5, kHttpIncorrectHandleState},
        {31, &word, 4, 0},
    };
    for (auto c : cases) EXPECT_EQ(driver.SetOption(c.option, c.value, c.size), c.expected) << c.option;
    EXPECT_EQ(driver.QueryOption(28, &value, &size), kHttpInvalidArg);
}

TEST_F(WinInetDriver, QueryWithoutRequestIsNotConnected) {
    WinInetHttpDriver driver(nullptr, 1, 1);
    HttpOwnedBuffer value;
    EXPECT_EQ(driver.QueryInfo(&value.data, &value.length, nullptr, kHttpQueryStatusCode, nullptr), kHttpNotConnected);
    EXPECT_EQ(driver.GetDriverType(), 'W');
    EXPECT_EQ(driver.MarkConnectionClosed(), 0);
    EXPECT_EQ(driver.ReservedA(nullptr), kHttpFailed);
}

}  // namespace

namespace {

// The server's certificate is self-signed: with certificate bits given through option 31 the
// driver adds them to the request and sends it again, without WinINet's dialog.
TEST_F(WinInetDriver, CertificateBitsLetAnUntrustedServerThrough) {
    if (servers().nginxTlsPort == 0) GTEST_SKIP() << "the fixture serves no TLS";
    WinInetHttpDriver driver(nullptr, 1, 1);
    const uint32_t ignoreCertificateProblems = 0x3380;  // unknown CA, wrong usage, bad date and name
    ASSERT_EQ(driver.SetOption(31, &ignoreCertificateProblems, 4), 0);
    HttpOwnedBuffer body;
    ASSERT_EQ(Get(driver, servers().NginxTls("/small.txt"), &body), 0);
    EXPECT_EQ(body.Text(), servers().FileContents("small.txt"));
    body.Reset();
    int32_t keepAlive = 0;
    ASSERT_EQ(driver.GetRange(servers().NginxTls("/three-slices.bin").c_str(), kHttpFlagKeepAlive, 0, 524288, 1000,
                              &body.data, &body.length, &keepAlive),
              0);
    EXPECT_EQ(body.Text(), servers().FileContents("three-slices.bin").substr(524288, 1000));
}

}  // namespace
