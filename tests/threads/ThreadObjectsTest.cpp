#include "threads/VolThreads.h"
#include "threads/VolWaitingPoint.h"

#include <gtest/gtest.h>

#include "tests/threads/Blocker.h"
#include "tests/threads/Eventually.h"
#include "tests/support/TestThread.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

namespace {

long ReturnSeven(void*) {
    return 7;
}
long ReturnArgument(void* argument) {
    return static_cast<long>(reinterpret_cast<std::intptr_t>(argument));
}

constexpr unsigned kEndedAndJoined = VolThreads::kEnded | VolThreads::kJoined;

TEST(VolThreads, NewObjectIsIdle) {
    VolThreads thread("idle", nullptr);
    EXPECT_EQ(unsigned{VolThreads::kCreated}, thread.GetStatus());
    EXPECT_EQ(0u, thread.IsRunning());
    EXPECT_EQ(0u, thread.GetThreadId());
    EXPECT_EQ(1, thread.GetThreadReturnCode());
    EXPECT_EQ(0, thread.Begin(nullptr)) << "no function set";
    EXPECT_EQ(0, thread.SetFunction(ReturnSeven));
    EXPECT_EQ(7, thread.Begin(nullptr));

    VolThreads flagged(nullptr, nullptr, 1);
    EXPECT_EQ(unsigned{VolThreads::kCreated | VolThreads::kFlagged}, flagged.GetStatus());
}

TEST(VolThreads, FunctionResultEndsTheThreadAndIsReported) {
    VolThreads thread("seven", nullptr);
    thread.SetFunction(ReturnSeven);
    EXPECT_EQ(0, thread.Run());
    thread.Join();
    EXPECT_EQ(unsigned{VolThreads::kCreated | kEndedAndJoined}, thread.GetStatus());
    EXPECT_EQ(0u, thread.IsRunning());
    EXPECT_EQ(7, thread.GetThreadReturnCode());
    EXPECT_NE(0u, thread.GetThreadId());
    thread.Join();  // joined before and not running: returns at once
    EXPECT_EQ(unsigned{VolThreads::kCreated | kEndedAndJoined}, thread.GetStatus());
}

TEST(VolThreads, ArgumentReachesTheFunctionAndRunStartsAgainAfterTheEnd) {
    VolThreads thread("again", reinterpret_cast<void*>(std::intptr_t{21}));
    thread.SetFunction(ReturnArgument);
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(0, thread.Run());
        thread.Join();
        EXPECT_EQ(21, thread.GetThreadReturnCode());
    }
}

TEST(VolThreads, RunningObjectRefusesASecondRunAndReportsRunningAsFour) {
    Blocker blocker;
    VolThreads thread("blocked", &blocker);
    thread.SetFunction(Blocker::Function);
    EXPECT_EQ(0, thread.Run());
    ASSERT_TRUE(Eventually([&] { return blocker.inside.load(); }));
    EXPECT_EQ(1, thread.Run());
    EXPECT_EQ(4u, thread.IsRunning());
    EXPECT_EQ(unsigned{VolThreads::kCreated | VolThreads::kRunning | VolThreads::kStarting}, thread.GetStatus())
        << "the refused Run leaves its starting bit";
    EXPECT_EQ(1, thread.GetThreadReturnCode()) << "still running";
    EXPECT_NE(0u, thread.GetThreadId());
    EXPECT_NE(VolThreads::GetCurrentThreadId(), thread.GetThreadId());
    blocker.release.Broadcast();
    thread.Join();
    EXPECT_TRUE(blocker.finished);
    EXPECT_EQ(11, thread.GetThreadReturnCode());
}

TEST(VolThreads, ThreadFindsItsOwnObject) {
    struct Probe {
        static long Function(void* raw) {
            *static_cast<VolThreads**>(raw) = VolThreads::GetCurrentThread();
            return 0;
        }
    };
    VolThreads* seen = nullptr;
    VolThreads thread("probe", &seen);
    thread.SetFunction(Probe::Function);
    thread.Run();
    thread.Join();
    EXPECT_EQ(&thread, seen);
    EXPECT_EQ(&thread, VolListThreads::FindThread(thread.GetThreadId()));
}

TEST(VolThreads, MainThreadObjectStandsForTheFirstConstructingThread) {
    VolThreads any("any", nullptr);
    VolThreads* main = VolThreads::GetMainThread();
    ASSERT_NE(nullptr, main);
    EXPECT_EQ(main, VolThreads::GetMainThread());
    EXPECT_EQ(4u, main->IsRunning());
    EXPECT_EQ(VolThreads::GetCurrentThreadId(), main->GetThreadId());
    EXPECT_EQ(main, VolThreads::GetCurrentThread());
    main->Join();  // adopted: no handle, nothing to wait for
}

TEST(VolThreads, DerivedClassSuppliesTheWorkThroughBegin) {
    class Worker : public VolThreads {
    public:
        Worker() : VolThreads("worker", nullptr) {}
        long Begin(void*) override { return 99; }
    };
    Worker worker;
    ASSERT_EQ(0, worker.Run());
    worker.Join();
    EXPECT_EQ(99, worker.GetThreadReturnCode());
}

TEST(VolThreads, EndOnItsOwnThreadExitsAtOnce) {
    struct SelfEnder {
        VolThreads* object = nullptr;
        std::atomic<bool> afterEnd{false};
        static long Function(void* raw) {
            auto* self = static_cast<SelfEnder*>(raw);
            self->object->End(5);
            self->afterEnd = true;
            return 6;
        }
    };
    SelfEnder ender;
    VolThreads thread("self-ender", &ender);
    ender.object = &thread;
    thread.SetFunction(SelfEnder::Function);
    thread.Run();
    thread.Join();
    EXPECT_FALSE(ender.afterEnd);
    EXPECT_EQ(5, thread.GetThreadReturnCode());
    EXPECT_EQ(unsigned{VolThreads::kCreated | kEndedAndJoined}, thread.GetStatus());
}

TEST(VolThreads, KillFromAnotherThreadMarksEndedAndKeepsTheId) {
    Blocker* blocker = BlockerForTerminatedThread();
    VolThreads thread("victim", blocker);
    thread.SetFunction(Blocker::Function);
    thread.Run();
    ASSERT_TRUE(Eventually([&] { return blocker->inside.load(); }));
    const unsigned id = thread.GetThreadId();
    thread.Kill(3);
    EXPECT_EQ(0u, thread.IsRunning());
    EXPECT_TRUE(thread.GetStatus() & VolThreads::kEnded);
    EXPECT_EQ(id, thread.GetThreadId());
    EXPECT_EQ(3, thread.GetThreadReturnCode());
    thread.Kill(4);  // not running any more: nothing happens
    EXPECT_EQ(3, thread.GetThreadReturnCode());
    // That the killed thread does not go on is shown by the Join that waits through a Kill
    // (JoinRaceTest): after a Kill the object has no handle left to wait on.
}

TEST(VolThreads, EndFromAnotherThreadTerminatesIt) {
    Blocker* blocker = BlockerForTerminatedThread();
    VolThreads thread("ended", blocker);
    thread.SetFunction(Blocker::Function);
    thread.Run();
    ASSERT_TRUE(Eventually([&] { return blocker->inside.load(); }));
    thread.End(8);
    EXPECT_EQ(0u, thread.IsRunning());
    thread.Join();  // returns once the thread is gone
    EXPECT_EQ(8, thread.GetThreadReturnCode());
    // Gone for certain: released now, it cannot finish its function.
    blocker->release.Broadcast();
    GiveTheFaultAChance([&] { return blocker->finished.load(); });
    EXPECT_FALSE(blocker->finished) << "the ended thread went on after Join had returned";
}

TEST(VolThreads, JoinWithoutAThreadReturns) {
    VolThreads never("never", nullptr);
    never.Join();
    EXPECT_EQ(unsigned{VolThreads::kCreated | VolThreads::kJoined}, never.GetStatus());
    never.Join();
}

TEST(VolListThreads, ObjectsAreListedFromConstructionToDestruction) {
    VolThreads* leftover = nullptr;
    {
        VolThreads listed("listed", nullptr);
        leftover = &listed;
        VolListThreads* node = VolListThreads::FindListObj(&listed);
        ASSERT_NE(nullptr, node);
        EXPECT_EQ(&listed, node->GetThread());
    }
    EXPECT_EQ(nullptr, VolListThreads::FindListObj(leftover));
}

// Objects get their ids when they start, so the order shows only among objects inserted with one:
// adopted objects, made on threads that are already running. They are inserted in an order that
// neither appending nor prepending would sort.
TEST(VolListThreads, ListIsOrderedByThreadIdAtInsertion) {
    constexpr int kAdopted = 4;
    constexpr int kRankInsertedAt[kAdopted] = {2, 0, 3, 1};  // by id rank: 1, 3, 0, 2 go in
    std::optional<VolThreads> adopted[kAdopted];
    {
        std::vector<unsigned> threadIds(kAdopted, 0);
        std::atomic<int> known{0};
        std::atomic<int> made{0};
        std::vector<TestThread> makers;
        for (int i = 0; i < kAdopted; ++i) {
            makers.emplace_back([&, i] {
                threadIds[i] = VolThreads::GetCurrentThreadId();
                ++known;
                while (known.load() != kAdopted) std::this_thread::yield();
                int rank = 0;
                for (unsigned other : threadIds) rank += other < threadIds[i] ? 1 : 0;
                while (made.load() != kRankInsertedAt[rank]) std::this_thread::yield();
                adopted[i].emplace("adopted", nullptr, 0, 0, 1);
                ++made;
                // Stays until every object is made, so that no id is given out twice.
                while (made.load() != kAdopted) std::this_thread::yield();
            });
        }
        for (TestThread& maker : makers) maker.join();
    }
    std::vector<unsigned> ids;
    for (VolListThreads* node = VolListThreads::GetFirst(); node; node = node->GetNext()) {
        for (std::optional<VolThreads>& object : adopted) {
            if (node->GetThread() == &*object) ids.push_back(object->GetThreadId());
        }
    }
    ASSERT_EQ(static_cast<std::size_t>(kAdopted), ids.size());
    for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_LT(ids[i - 1], ids[i]) << "position " << i;
    for (std::optional<VolThreads>& object : adopted) {
        EXPECT_EQ(&*object, VolListThreads::FindThread(object->GetThreadId()));
        object.reset();
    }
    EXPECT_EQ(nullptr, VolListThreads::FindThread(0xFFFFFFF0u));
}

TEST(VolThreads, ProcessWideQueriesWithoutSettings) {
    EXPECT_EQ(-1, VolThreads::IsMultiThreadingAllowed());
    EXPECT_GE(VolThreads::GetProcessorsNumber(), 1);
    EXPECT_NE(0u, VolThreads::GetCurrentThreadId());
    unsigned otherId = 0;
    TestThread([&] { otherId = VolThreads::GetCurrentThreadId(); }).join();
    EXPECT_NE(VolThreads::GetCurrentThreadId(), otherId);
}

int g_hookCalls = 0;
void CountHookCall() {
    ++g_hookCalls;
}

TEST(VolSysCallOnFirstThread, RefusesNullAndRunsAtOnceOnceAThreadObjectExists) {
    EXPECT_EQ(static_cast<long>(static_cast<std::int32_t>(0x80004005u)), VolSysCallOnFirstThread(nullptr));
    VolThreads any("any", nullptr);
    const int before = g_hookCalls;
    EXPECT_EQ(0, VolSysCallOnFirstThread(CountHookCall));
    EXPECT_EQ(before + 1, g_hookCalls);
}

}  // namespace
