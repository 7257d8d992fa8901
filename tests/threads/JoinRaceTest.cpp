// Join at the same time as Kill, End or another Join on one thread object. A waiter that does not
// own the handle it waits on shows as a use after free under AddressSanitizer. On Windows the same
// fault waits on, or terminates through, a closed handle whose value may belong to something else by
// then, which passes unseen here: there these rounds check the behaviour only. Many short rounds, so
// that the interleavings vary.
#include "threads/VolThreads.h"

#include <gtest/gtest.h>

#include "tests/threads/Blocker.h"
#include "tests/threads/Eventually.h"
#include "tests/support/TestThread.h"

#include <atomic>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace {

#ifdef _WIN32
constexpr int kRounds = 40;  // thread creation and termination are slow under Wine
#else
constexpr int kRounds = 200;
#endif

bool JoinBit(VolThreads& thread) {
    return (thread.GetStatus() & VolThreads::kJoined) != 0;
}

// Calls Join on a thread of its own; Finished() tells when Join has returned.
class Joiner {
public:
    explicit Joiner(VolThreads& thread)
        : runner_([this, &thread] {
              thread.Join();
              returned_ = true;
          }) {}
    ~Joiner() { runner_.join(); }
    bool Finished() const { return returned_; }

private:
    std::atomic<bool> returned_{false};
    TestThread runner_;
};

// Starts a thread object on the blocker and waits until its function runs.
bool StartBlocked(VolThreads& thread, const Blocker& blocker) {
    thread.SetFunction(Blocker::Function);
    return thread.Run() == 0 && Eventually([&] { return blocker.inside.load(); });
}

TEST(VolThreadsJoinRace, TwoJoinsWhileTheThreadEnds) {
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        Blocker blocker;
        VolThreads thread("joined twice", &blocker);
        ASSERT_TRUE(StartBlocked(thread, blocker));
        {
            // Odd rounds release the thread before the joins begin, even ones after.
            if (round % 2) blocker.release.Broadcast();
            Joiner first(thread), second(thread);
            if (!(round % 2)) blocker.release.Broadcast();
            ASSERT_TRUE(Eventually([&] { return first.Finished() && second.Finished(); }));
        }
        EXPECT_TRUE(blocker.finished);
        EXPECT_EQ(11, thread.GetThreadReturnCode());
        EXPECT_EQ(unsigned{VolThreads::kCreated | VolThreads::kEnded | VolThreads::kJoined}, thread.GetStatus());
    }
}

TEST(VolThreadsJoinRace, JoinWhileAnotherThreadKills) {
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        Blocker* blocker = BlockerForTerminatedThread();
        VolThreads thread("killed while joined", blocker);
        ASSERT_TRUE(StartBlocked(thread, *blocker));
        {
            Joiner joiner(thread);
            // Odd rounds kill as soon as the join has begun, even ones while it may still be starting.
            if (round % 2) {
                ASSERT_TRUE(Eventually([&] { return JoinBit(thread); }));
            }
            thread.Kill(3);
            ASSERT_TRUE(Eventually([&] { return joiner.Finished(); }));
        }
        EXPECT_EQ(3, thread.GetThreadReturnCode());
        EXPECT_TRUE(thread.GetStatus() & VolThreads::kEnded);
    }
}

// The thread leaves by the system's own exit, so its object stays marked running: End then still
// terminates through the handle while Join, whose wait ends at once, closes it.
long LeaveWithoutEnd(void* raw) {
    static_cast<std::atomic<bool>*>(raw)->store(true);
#ifdef _WIN32
    ExitThread(0);
#else
    pthread_exit(nullptr);
#endif
}

TEST(VolThreadsJoinRace, JoinAndEndAtOnceOnAThreadThatLeftWithoutEnding) {
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        std::atomic<bool> left{false};
        VolThreads thread("left", &left);
        thread.SetFunction(LeaveWithoutEnd);
        ASSERT_EQ(0, thread.Run());
        ASSERT_TRUE(Eventually([&] { return left.load(); }));
        std::atomic<int> ready{0};
        TestThread joiner([&] {
            ++ready;
            while (ready.load() != 2) {}
            thread.Join();
        });
        ++ready;
        while (ready.load() != 2) {}
        thread.End(8);
        joiner.join();
        EXPECT_EQ(8, thread.GetThreadReturnCode());
        EXPECT_EQ(unsigned{VolThreads::kCreated | VolThreads::kEnded | VolThreads::kJoined}, thread.GetStatus());
    }
}

// A Join that began before the Kill returns once the thread is really gone: released afterwards,
// the thread does not go on.
TEST(VolThreadsJoinRace, JoinBegunBeforeAKillReturnsOnlyOnceTheThreadIsGone) {
    Blocker* blocker = BlockerForTerminatedThread();
    VolThreads thread("killed", blocker);
    ASSERT_TRUE(StartBlocked(thread, *blocker));
    {
        Joiner joiner(thread);
        ASSERT_TRUE(Eventually([&] { return JoinBit(thread); }));
        thread.Kill(3);
        ASSERT_TRUE(Eventually([&] { return joiner.Finished(); }));
    }
    blocker->release.Broadcast();
    GiveTheFaultAChance([&] { return blocker->finished.load(); });
    EXPECT_FALSE(blocker->finished) << "the killed thread went on after Join had returned";
}

}  // namespace
