// Kill at the same time as a Join or an End that is taking its own handle of the thread. The test
// is linked with the handle duplication wrapped (see CMakeLists.txt), so that it can hold the
// joiner or the ender between reading the record's handle and duplicating it: a Kill that does
// not wait for them closes that handle meanwhile, and the duplicate is taken through a freed
// handle (a use after free under AddressSanitizer).
#include "threads/VolThreads.h"
#include "threads/os/VolOs.h"

#include <gtest/gtest.h>

#include "tests/support/TestThread.h"
#include "tests/threads/Eventually.h"

#include <atomic>
#include <pthread.h>

namespace {
std::atomic<bool> g_holdNextDuplicate{false};
std::atomic<bool> g_duplicateHeld{false};
std::atomic<bool> g_releaseDuplicate{false};
}  // namespace

extern "C" volos::Thread* __real__ZN5volos15ThreadDuplicateEPNS_6ThreadE(volos::Thread* thread);

// Holds the first duplication after g_holdNextDuplicate is set until the test releases it.
extern "C" volos::Thread* __wrap__ZN5volos15ThreadDuplicateEPNS_6ThreadE(volos::Thread* thread) {
    if (g_holdNextDuplicate.exchange(false)) {
        g_duplicateHeld = true;
        Eventually([] { return g_releaseDuplicate.load(); });
    }
    return __real__ZN5volos15ThreadDuplicateEPNS_6ThreadE(thread);
}

namespace {

// The thread leaves by the system's own exit: its object stays marked running, and the record's
// handle is the last reference to the thread.
long LeaveWithoutEnd(void* raw) {
    static_cast<std::atomic<bool>*>(raw)->store(true);
    pthread_exit(nullptr);
}

enum class Waiter { Join, End };

class VolThreadsKillRace : public testing::TestWithParam<Waiter> {};

TEST_P(VolThreadsKillRace, KillWaitsUntilTheOtherCallHasItsOwnHandle) {
    g_duplicateHeld = false;
    g_releaseDuplicate = false;
    std::atomic<bool> left{false};
    VolThreads thread("killed meanwhile", &left);
    thread.SetFunction(LeaveWithoutEnd);
    ASSERT_EQ(0, thread.Run());
    ASSERT_TRUE(Eventually([&] { return left.load(); }));

    g_holdNextDuplicate = true;
    TestThread waiter([&] {
        if (GetParam() == Waiter::Join) {
            thread.Join();
        } else {
            thread.End(5);
        }
    });
    ASSERT_TRUE(Eventually([] { return g_duplicateHeld.load(); }));
    std::atomic<bool> killReturned{false};
    std::atomic<bool> killReturnedWhileHeld{false};
    TestThread killer([&] {
        thread.Kill(3);
        killReturnedWhileHeld = !g_releaseDuplicate.load();
        killReturned = true;
    });
    GiveTheFaultAChance([&] { return killReturned.load(); });
    g_releaseDuplicate = true;
    waiter.join();
    killer.join();
    EXPECT_FALSE(killReturnedWhileHeld) << "Kill closed the handle while another call was duplicating it";
}

INSTANTIATE_TEST_SUITE_P(JoinAndEnd, VolThreadsKillRace, testing::Values(Waiter::Join, Waiter::End),
                         [](const testing::TestParamInfo<Waiter>& info) {
                             return info.param == Waiter::Join ? "Join" : "End";
                         });

}  // namespace
