// The transfer watch over a clock the test drives: when a request counts as too slow, when the
// caller's question is asked, and how long the read loop may wait.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "http/TransferWatch.h"

namespace {

constexpr uint32_t kWake = 500;

// One step of a request's life: at `at` ms, `bytes` arrive (0: none); then the watch is asked.
struct Step {
    uint32_t at;
    uint32_t bytes;
    bool tooSlow;
    int32_t nextWait;
};

struct Case {
    const char* what;
    HttpStallLimit stall;
    bool withQuestion;
    uint32_t start;  // when the request was sent
    std::vector<Step> steps;
};

TEST(TransferWatch, WindowsEndWithTheirLeastBytesOrFailTheRequest) {
    const HttpStallLimit oneKiBPerSecond{1000, 1024};
    // clang-format off
    const Case cases[] = {
        {"nothing watched waits without limit", {}, false, 0, {{5000000, 0, false, -1}}},
        {"silence fails when the first window has passed", oneKiBPerSecond, false, 0,
            {{400, 0, false, 600}, {999, 0, false, 1}, {1000, 0, true, 0}}},
        {"a full window starts the next one where its bytes were complete", oneKiBPerSecond, false, 0,
            {{900, 1024, false, 1000}, {1899, 0, false, 1}, {1900, 0, true, 0}}},
        {"a drip never fills a window", oneKiBPerSecond, false, 0,
            {{300, 1, false, 700}, {600, 1, false, 400}, {900, 1, false, 100}, {1000, 0, true, 0}}},
        {"bytes add up within one window", oneKiBPerSecond, false, 0,
            {{300, 1000, false, 700}, {600, 24, false, 1000}, {1500, 0, false, 100}}},
        {"the first window starts when the request was sent", oneKiBPerSecond, false, 5000,
            {{5999, 0, false, 1}, {6000, 0, true, 0}}},
        {"the clock's wrap does not end a window early", oneKiBPerSecond, false, 0xFFFFFF00u,
            {{0xFFFFFFFFu, 0, false, 745}, {100, 0, false, 644}, {744, 0, true, 0}}},
        {"no least bytes: any byte fills a window", {1000, 0}, false, 0,
            {{900, 1, false, 1000}, {1900, 0, true, 0}}},
        {"a question wakes the loop at least every half second", oneKiBPerSecond, true, 0,
            {{0, 0, false, kWake}, {700, 0, false, 300}}},
        {"a question alone wakes it without any window", {}, true, 0, {{90000, 0, false, kWake}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpRequestLimits limits;
        limits.stall = c.stall;
        if (c.withQuestion) limits.keepGoing = [] { return true; };
        TransferWatch watch(limits);
        EXPECT_EQ(watch.Active(), c.stall.windowMilliseconds != 0 || c.withQuestion);
        watch.Start(c.start);
        for (const Step& step : c.steps) {
            if (step.bytes != 0) watch.Arrived(step.bytes, step.at);
            EXPECT_EQ(watch.TooSlow(step.at), step.tooSlow) << "at " << step.at;
            EXPECT_EQ(watch.NextWaitMilliseconds(step.at, kWake), step.nextWait) << "at " << step.at;
        }
    }
}

TEST(TransferWatch, TheCallersQuestionDecidesAStop) {
    bool goOn = true;
    HttpRequestLimits limits;
    limits.keepGoing = [&goOn] { return goOn; };
    TransferWatch watch(limits);
    EXPECT_FALSE(watch.StopRequested());
    goOn = false;
    EXPECT_TRUE(watch.StopRequested());
    EXPECT_FALSE(TransferWatch().StopRequested()) << "no question: always go on";
    EXPECT_FALSE(TransferWatch().Active());
}

}  // namespace
