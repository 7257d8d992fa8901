// The caller's request limits on both drivers, against the scripted server's misbehaving answers:
// a body past the bound stops the request at the bound, a server that stalls or drips fails it
// within the stall window, and the caller's keep-going question stops a request that waits. The
// time each stalled request took is printed, not asserted.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "http/HttpDriverHolder.h"
#include "tests/http/integration/DriverFactories.h"
#include "tests/http/integration/TestServers.h"

namespace {

constexpr uint32_t kBound = 1000;
constexpr uint32_t kMiB = 1024 * 1024;
// Short stall limits, so that the cases take seconds.
constexpr HttpStallLimit kShortStall{1500, 1024};

class RequestLimits : public ::testing::TestWithParam<DriverKind> {
protected:
    void SetUp() override { REQUIRE_SERVERS(); }

    struct Outcome {
        int32_t status;
        uint32_t length;
        bool hasBody;
        double seconds;
    };
    Outcome Get(const HttpRequestLimits& limits, const std::string& path) {
        std::unique_ptr<HttpDriver> driver = MakeDriver(GetParam());
        driver->SetRequestLimits(limits);
        HttpOwnedBuffer body;
        int32_t keepAlive = 0;
        auto start = std::chrono::steady_clock::now();
        int32_t status = driver->Get(TestServers::Get().Scripted(path).c_str(), kHttpFlagKeepAlive, &body.data,
                                     &body.length, &keepAlive);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("  [ time ] %s %s: %.2f s, status 0x%08x\n", DriverName(GetParam()).c_str(), path.c_str(), seconds,
                    static_cast<unsigned>(status));
        return {status, body.length, body.data != nullptr, seconds};
    }
};

TEST_P(RequestLimits, ABodyPastTheBoundStopsAtTheBound) {
    HttpRequestLimits limits;
    limits.maxBodyLength = kBound;
    struct Case {
        const char* path;
        uint32_t length;  // reported with kHttpBodyTooLong
    };
    const Case cases[] = {
        // An announced length stops the request before the body.
        {"/hostile/ignore-range-600/f", 600 * kMiB},
        // Bodies without one are read one byte past the bound.
        {"/hostile/ignore-range-unannounced-600/f", kBound + 1},
        {"/hostile/ignore-range-chunked-600/f", kBound + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Outcome outcome = Get(limits, c.path);
        EXPECT_EQ(outcome.status, kHttpBodyTooLong);
        EXPECT_EQ(outcome.length, c.length);
        EXPECT_FALSE(outcome.hasBody);
    }
    // A body of the bound's length exactly is whole, however it is framed.
    limits.maxBodyLength = kMiB;
    for (const char* path :
         {"/hostile/ignore-range-1/f", "/hostile/ignore-range-unannounced-1/f", "/hostile/ignore-range-chunked-1/f"}) {
        SCOPED_TRACE(path);
        Outcome whole = Get(limits, path);
        EXPECT_EQ(whole.status, kHttpOk);
        EXPECT_EQ(whole.length, kMiB);
    }
}

TEST_P(RequestLimits, AStalledOrDrippingServerFailsWithinTheWindow) {
    HttpRequestLimits limits;
    limits.stall = kShortStall;
    for (const char* path :
         {"/hostile/silent/f", "/hostile/stall-after-headers/f", "/hostile/stall-mid-body/f", "/hostile/drip-100/f"}) {
        SCOPED_TRACE(path);
        Outcome outcome = Get(limits, path);
        if (GetParam() == DriverKind::Socket) {
            EXPECT_EQ(outcome.status, kHttpTimeout);
        } else {
            EXPECT_LT(outcome.status, 0);  // WinINet names its own time-out of the headers
        }
        EXPECT_FALSE(outcome.hasBody);
    }
    // A server that keeps the pace gets its answer.
    Outcome whole = Get(limits, "/hostile/ignore-range-1/f");
    EXPECT_EQ(whole.status, kHttpOk);
    EXPECT_EQ(whole.length, kMiB);
}

TEST_P(RequestLimits, TheCallersQuestionStopsAWaitingRequestOnly) {
    bool goOn = false;
    HttpRequestLimits limits;
    limits.stall = {3000, 1024};
    limits.keepGoing = [&goOn] { return goOn; };
    for (const char* path : {"/hostile/stall-after-headers/f", "/hostile/stall-mid-body/f"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Get(limits, path).status, kHttpStopped);
    }
    // An answer that flows is never stopped halfway, whatever the question says.
    Outcome flowing = Get(limits, "/hostile/ignore-range-1/f");
    EXPECT_EQ(flowing.status, kHttpOk);
    EXPECT_EQ(flowing.length, kMiB);
}

INSTANTIATE_TEST_SUITE_P(Drivers, RequestLimits, ::testing::ValuesIn(AvailableDrivers()),
                         [](const ::testing::TestParamInfo<DriverKind>& info) { return DriverName(info.param); });

// The holder hands its limits to its driver; a later call replaces them.
TEST(HolderRequestLimits, ReachTheDriver) {
    REQUIRE_SERVERS();
    ScopedEnvironment environment(std::map<std::wstring, std::wstring>{{L"HTTPDriver", L"1"}});
    HttpDriverHolder holder(nullptr, 1, 1);
    HttpRequestLimits limits;
    limits.maxBodyLength = kBound;
    holder.SetRequestLimits(limits);
    HttpOwnedBuffer body;
    int32_t keepAlive = 0;
    EXPECT_EQ(holder.Get(TestServers::Get().Scripted("/hostile/ignore-range-600/f").c_str(), 1, &body.data,
                         &body.length, &keepAlive),
              kHttpBodyTooLong);
    EXPECT_EQ(body.length, 600 * kMiB);
    holder.SetRequestLimits(HttpRequestLimits{});
    EXPECT_EQ(holder.Get(TestServers::Get().Scripted("/hostile/ignore-range-1/f").c_str(), 1, &body.data, &body.length,
                         &keepAlive),
              kHttpOk);
    EXPECT_EQ(body.length, kMiB);
}

}  // namespace
