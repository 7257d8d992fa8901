// The holder: the driver it picks, the TLS switch, the flags it forwards, and the download the
// setup makes through it (ranged slices over one kept-alive connection).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "http/HttpDriverFactory.h"
#include "http/HttpDriverHolder.h"
#include "tests/http/integration/TestServers.h"

namespace {

std::map<std::wstring, std::wstring> DriverChoice(bool socketRequested) {
    if (socketRequested) return {{L"HTTPDriver", L"1"}};
    return {};
}

TEST(HolderFlags, OneInTheLowBitsMeansKeepAlive) {
    const struct {
        uint32_t caller, driver;
    } cases[] = {{1, 0x400000}, {0x11, 0x400010}, {2, 2}, {0, 0}, {0x21, 0x400020}, {0x400001, 0x400000}};
    for (auto c : cases) EXPECT_EQ(HttpDriverHolder::DriverFlags(c.caller), c.driver) << c.caller;
}

TEST(HolderDriverChoice, EnvironmentPicksTheDriver) {
    for (bool socketRequested : {false, true}) {
        ScopedEnvironment environment(DriverChoice(socketRequested));
        HttpDriverHolder holder(nullptr, 1, 1);
        ASSERT_NE(holder.Driver(), nullptr);
        char expected = socketRequested || !HttpWinInetAvailable() ? 'D' : 'W';
        EXPECT_EQ(holder.Driver()->GetDriverType(), expected) << socketRequested;
        holder.Release();
        holder.Release();
        HttpOwnedBuffer body;
        int32_t keepAlive = 0;
        EXPECT_EQ(holder.Get("http://127.0.0.1/", 0, &body.data, &body.length, &keepAlive), kHttpFailed);
        EXPECT_EQ(holder.QueryInfo(&body.data, &body.length, nullptr, kHttpQueryStatusCode, nullptr), kHttpFailed);
    }
}

TEST(HolderTlsSwitch, HttpsMovesASocketHolderToWinInetForGood) {
    REQUIRE_SERVERS();
    const TestServers& servers = TestServers::Get();
    ScopedEnvironment environment(DriverChoice(true));
    HttpDriverHolder holder(nullptr, 1, 1);
    HttpOwnedBuffer body;
    int32_t keepAlive = 0;

    // Capital letters are not the TLS scheme: no switch.
    holder.Get("HTTPS://127.0.0.1:1/", 0, &body.data, &body.length, &keepAlive);
    ASSERT_EQ(holder.Driver()->GetDriverType(), 'D');

    // Nothing listens on port 1: only the switch matters here.
    int32_t status = holder.Get("https://127.0.0.1:1/", 0, &body.data, &body.length, &keepAlive);
    if (!HttpWinInetAvailable()) {
        EXPECT_EQ(status, kHttpSchemeNotSupported);
        EXPECT_EQ(holder.Driver()->GetDriverType(), 'D');
        return;
    }
    EXPECT_NE(status, 0);
    ASSERT_EQ(holder.Driver()->GetDriverType(), 'W');
    ASSERT_EQ(holder.Get(servers.Scripted("/echo").c_str(), 0, &body.data, &body.length, &keepAlive), 0);
    EXPECT_EQ(holder.Driver()->GetDriverType(), 'W');
    EXPECT_NE(body.Text().find("User-Agent: VOLNIR HTTP CLIENT v2.1-HV\r\n"), std::string::npos) << body.Text();
}

TEST(HolderTlsSwitch, WinInetHolderNeverSwitches) {
    if (!HttpWinInetAvailable()) GTEST_SKIP() << "no WinINet in this build";
    ScopedEnvironment environment(DriverChoice(false));
    HttpDriverHolder holder(nullptr, 1, 1);
    HttpDriver* before = holder.Driver();
    HttpOwnedBuffer body;
    int32_t keepAlive = 0;
    holder.Get("https://127.0.0.1:1/", 0, &body.data, &body.length, &keepAlive);
    EXPECT_EQ(holder.Driver(), before);
}

TEST(HolderForwarding, FlagsOneAsksForKeepAlive) {
    REQUIRE_SERVERS();
    ScopedEnvironment environment(DriverChoice(true));
    HttpDriverHolder holder(nullptr, 1, 1);
    for (uint32_t flags : {1u, 0u}) {
        HttpOwnedBuffer body;
        int32_t keepAlive = 0;
        ASSERT_EQ(holder.Get(TestServers::Get().Scripted("/echo").c_str(), flags, &body.data, &body.length, &keepAlive),
                  0);
        EXPECT_EQ(body.Text().find("Connection: Keep-Alive\r\n") != std::string::npos, flags == 1) << flags;
    }
}

// The package download as the setup makes it: 512 KiB slices, the status query, the total from
// Content-Range, one holder, each body released before the next call.
class HolderDownload : public ::testing::TestWithParam<bool> {};

TEST_P(HolderDownload, SlicesAddUpToTheFile) {
    REQUIRE_SERVERS();
    const TestServers& servers = TestServers::Get();
    ScopedEnvironment environment(DriverChoice(GetParam()));
    for (const char* file : {"three-slices.bin", "slice-plus-one.bin", "exact-slice.bin"}) {
        SCOPED_TRACE(file);
        const std::string expected = servers.FileContents(file);
        const std::string url = servers.Nginx(std::string("/") + file);
        HttpDriverHolder holder(nullptr, 1, 1);
        std::string received;
        int64_t total = -1;
        for (int slice = 0; slice < 16 && (total < 0 || static_cast<int64_t>(received.size()) < total); ++slice) {
            uint32_t count = 0x80000;
            if (total >= 0 && total - static_cast<int64_t>(received.size()) < count)
                count = static_cast<uint32_t>(total - static_cast<int64_t>(received.size()));
            HttpOwnedBuffer body;
            int32_t keepAlive = 0;
            ASSERT_EQ(holder.GetRange(url.c_str(), 1, 0, static_cast<uint32_t>(received.size()), count, &body.data,
                                      &body.length, &keepAlive),
                      0);
            received.append(body.data, body.length);
            if (total < 0) {
                HttpOwnedBuffer status;
                ASSERT_EQ(holder.QueryInfo(&status.data, &status.length, nullptr, kHttpQueryStatusCode, nullptr), 0);
                ASSERT_EQ(status.Text(), "206");
                HttpOwnedBuffer range;
                ASSERT_EQ(holder.QueryInfo(&range.data, &range.length, nullptr, kHttpQueryCustom, "Content-Range:  "),
                          0);
                const char* slash = std::strchr(range.data, '/');
                ASSERT_NE(slash, nullptr);
                total = std::strtoll(slash + 1, nullptr, 10);
            }
        }
        EXPECT_EQ(total, static_cast<int64_t>(expected.size()));
        EXPECT_TRUE(received == expected);
    }
}

TEST_P(HolderDownload, VersionFileComesInOneGet) {
    REQUIRE_SERVERS();
    ScopedEnvironment environment(DriverChoice(GetParam()));
    HttpDriverHolder holder(nullptr, 1, 1);
    HttpOwnedBuffer body;
    int32_t keepAlive = 0;
    ASSERT_EQ(holder.Get(TestServers::Get().Nginx("/version.txt").c_str(), 0, &body.data, &body.length, &keepAlive), 0);
    EXPECT_EQ(body.Text(), "3.1.7\n");
    HttpFileStatus record{};
    EXPECT_EQ(holder.Head(TestServers::Get().Nginx("/version.txt").c_str(), &record), 0);
    EXPECT_EQ(record.size, 6);
    // A redirected HEAD comes back through the holder and lands on the document.
    HttpFileStatus redirected{};
    EXPECT_EQ(holder.Head(TestServers::Get().Scripted("/chain/2").c_str(), &redirected), 0);
    EXPECT_EQ(redirected.size, 12);
}

INSTANTIATE_TEST_SUITE_P(Drivers, HolderDownload, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "SocketRequested" : "Default");
                         });

}  // namespace
