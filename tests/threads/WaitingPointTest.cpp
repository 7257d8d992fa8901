#include "threads/VolWaitingPoint.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

enum Step { kBroadcast, kReset };

struct SequenceCase {
    const char* name;
    int pulse;
    int unsignalled;
    std::vector<Step> steps;
    int waitZeroResult;  // Wait(0) after the steps
};

TEST(VolWaitingPoint, StateAfterConstructionBroadcastAndReset) {
    const SequenceCase cases[] = {
        {"created signalled", 0, 0, {}, 0},
        {"created unsignalled", 0, -1, {}, -1},
        {"any non-zero means unsignalled", 0, 1, {}, -1},
        {"broadcast sets", 0, -1, {kBroadcast}, 0},
        {"reset clears", 0, 0, {kReset}, -1},
        {"broadcast after reset", 0, 0, {kReset, kBroadcast}, 0},
        {"pulse without waiters leaves it unsignalled", 1, -1, {kBroadcast}, -1},
        {"pulse clears a signalled point", 1, 0, {kBroadcast}, -1},
        {"pulse mode point created signalled", 1, 0, {}, 0},
    };
    for (const SequenceCase& c : cases) {
        SCOPED_TRACE(c.name);
        VolWaitingPoint point(c.pulse, c.unsignalled);
        for (Step step : c.steps) {
            if (step == kBroadcast) {
                point.Broadcast();
            } else {
                point.Reset();
            }
        }
        EXPECT_EQ(c.waitZeroResult, point.Wait(0));
        EXPECT_EQ(c.waitZeroResult, point.Wait(0)) << "a wait must not change a manual-reset point";
    }
}

TEST(VolWaitingPoint, TimedWaitOnUnsignalledPointTimesOut) {
    VolWaitingPoint point(0, -1);
    EXPECT_EQ(-1, point.Wait(10));
}

TEST(VolWaitingPoint, UnlimitedWaitOnSignalledPointReturnsZero) {
    VolWaitingPoint point(0, 0);
    EXPECT_EQ(0, point.Wait(-1));
    EXPECT_EQ(0, point.Wait(-7)) << "every negative time is no limit";
}

}  // namespace
