// Locks and waiting points used by real threads at once. Also run under ThreadSanitizer.
#include "threads/VolMutex.h"
#include "threads/VolResourceLock.h"
#include "threads/VolWaitingPoint.h"

#include <gtest/gtest.h>

#include "tests/threads/Eventually.h"
#include "tests/support/TestThread.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A one-shot gate that test threads wait at.
class Gate {
public:
    void Open() { open_ = true; }
    void WaitOpen() {
        while (!open_) std::this_thread::sleep_for(1ms);
    }

private:
    std::atomic<bool> open_{false};
};

// Each reader records, at the moment it gets in, whether the writer still holds the lock (or the
// writer, at the moment it gets in, how many readers are inside): a state taken when it happened,
// not after a sleep.
// Whether a thread of its own takes and releases the write lock within the bounded wait.
bool AnotherThreadCanWrite(VolResourceLock& lock) {
    std::atomic<bool> otherWrote{false};
    TestThread other([&] {
        lock.WriteLock();
        otherWrote = true;
        lock.WriteUnlock();
    });
    const bool wrote = Eventually([&] { return otherWrote.load(); });
    other.join();
    return wrote;
}

TEST(VolResourceLockConcurrency, WriterWaitsUntilBothReadersHaveLeft) {
    VolResourceLock lock;
    std::atomic<int> readersIn{0};
    Gate releaseFirst, releaseSecond;
    auto reader = [&](Gate& release) {
        lock.ReadLock();
        ++readersIn;
        release.WaitOpen();
        --readersIn;
        lock.ReadUnlock();
    };
    TestThread first(reader, std::ref(releaseFirst));
    TestThread second(reader, std::ref(releaseSecond));
    ASSERT_TRUE(Eventually([&] { return readersIn == 2; }));

    std::atomic<bool> writing{false};
    std::atomic<int> readersSeenByWriter{-1};
    TestThread writer([&] {
        lock.WriteLock();
        readersSeenByWriter = readersIn.load();
        writing = true;
        lock.WriteUnlock();
    });
    GiveTheFaultAChance([&] { return writing.load(); });
    releaseFirst.Open();
    first.join();
    GiveTheFaultAChance([&] { return writing.load(); });
    releaseSecond.Open();
    second.join();
    EXPECT_TRUE(Eventually([&] { return writing.load(); }));
    writer.join();
    EXPECT_EQ(0, readersSeenByWriter) << "the writer got in while readers held the lock";
}

TEST(VolResourceLockConcurrency, ReaderWaitsWhileAWriterHoldsTheLock) {
    VolResourceLock lock;
    std::atomic<bool> writerHolds{true};
    lock.WriteLock();
    std::atomic<bool> reading{false};
    std::atomic<bool> readWhileWriterHeld{false};
    TestThread reader([&] {
        lock.ReadLock();
        readWhileWriterHeld = writerHolds.load();
        reading = true;
        lock.ReadUnlock();
    });
    GiveTheFaultAChance([&] { return reading.load(); });
    writerHolds = false;
    lock.WriteUnlock();
    EXPECT_TRUE(Eventually([&] { return reading.load(); }));
    reader.join();
    EXPECT_FALSE(readWhileWriterHeld);
}

// The inner WriteUnlock of a nested write lock must not let readers in: the outer one still holds.
TEST(VolResourceLockConcurrency, NestedWriteLockKeepsReadersOutUntilTheOutermostUnlock) {
    for (int depth : {2, 3}) {
        SCOPED_TRACE(testing::Message() << "depth " << depth);
        VolResourceLock lock;
        std::atomic<int> writeDepth{0};
        for (int level = 0; level < depth; ++level) {
            lock.WriteLock();
            ++writeDepth;
        }
        for (int level = 1; level < depth; ++level) {
            --writeDepth;
            lock.WriteUnlock();
        }
        constexpr int kReaders = 3;
        std::atomic<int> readersIn{0};
        std::atomic<int> readersInDuringWrite{0};
        std::vector<TestThread> readers;
        for (int r = 0; r < kReaders; ++r) {
            readers.emplace_back([&] {
                lock.ReadLock();
                if (writeDepth.load() != 0) ++readersInDuringWrite;
                ++readersIn;
                lock.ReadUnlock();
            });
        }
        GiveTheFaultAChance([&] { return readersIn.load() != 0; });
        // The writer still holds the lock: it can still read inside it, and its data is its own.
        lock.ReadLock();
        lock.ReadUnlock();
        --writeDepth;
        lock.WriteUnlock();
        EXPECT_TRUE(Eventually([&] { return readersIn.load() == kReaders; }));
        for (TestThread& reader : readers) reader.join();
        EXPECT_EQ(0, readersInDuringWrite.load()) << "readers got in while the outer write lock was held";

        // And the lock is free again: another thread can write.
        EXPECT_TRUE(AnotherThreadCanWrite(lock));
    }
}

TEST(VolResourceLockConcurrency, WriterMayReadInsideItsWriteLock) {
    VolResourceLock lock;
    lock.WriteLock();
    lock.ReadLock();
    lock.ReadUnlock();
    lock.WriteUnlock();
    EXPECT_TRUE(AnotherThreadCanWrite(lock));
}

// Writers keep two plain counters equal; readers check that they never see them differ.
TEST(VolResourceLockConcurrency, ReadersNeverSeeAHalfDoneWrite) {
    VolResourceLock lock;
    long first = 0, second = 0;
    std::atomic<int> mismatches{0};
    std::vector<TestThread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                lock.WriteLock();
                ++first;
                std::this_thread::yield();
                ++second;
                lock.WriteUnlock();
            }
        });
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                lock.ReadLock();
                if (first != second) ++mismatches;
                lock.ReadUnlock();
            }
        });
    }
    for (TestThread& thread : threads) thread.join();
    EXPECT_EQ(0, mismatches);
    EXPECT_EQ(6000, first);
    EXPECT_EQ(6000, second);
}

TEST(VolMutexConcurrency, LazyMutexLockedByManyThreadsAtOnceGivesMutualExclusion) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 2000;
    for (int attempt = 0; attempt < 20; ++attempt) {
        VolMutex mutex(0, 0, 1);
        long counter = 0;  // plain: a second lock would let increments race
        std::atomic<int> ready{0};
        std::vector<TestThread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                ++ready;
                while (ready < kThreads) std::this_thread::yield();
                for (int i = 0; i < kRounds; ++i) {
                    mutex.Lock();
                    ++counter;
                    mutex.Unlock();
                }
            });
        }
        for (TestThread& thread : threads) thread.join();
        ASSERT_EQ(kThreads * kRounds, counter);
        ASSERT_EQ(1, mutex.IsCreated());
    }
}

TEST(VolMutexConcurrency, GlobalMutexFirstCallsRaceSafely) {
    constexpr int kThreads = 8;
    for (int attempt = 0; attempt < 20; ++attempt) {
        ASSERT_EQ(0, VolSysMTGlobalMutex(8, nullptr, 0));  // the next call creates it again
        long counter = 0;
        std::atomic<int> ready{0};
        std::vector<TestThread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                ++ready;
                while (ready < kThreads) std::this_thread::yield();
                for (int i = 0; i < 200; ++i) {
                    EXPECT_EQ(1, VolSysMTGlobalMutex(1, nullptr, 0));
                    ++counter;
                    EXPECT_EQ(0, VolSysMTGlobalMutex(2, nullptr, 0));
                }
            });
        }
        for (TestThread& thread : threads) thread.join();
        ASSERT_EQ(kThreads * 200, counter);
    }
}

TEST(VolWaitingPointConcurrency, PulseWakesOnlyTheThreadsWaitingThen) {
    VolWaitingPoint point(1, -1);
    std::atomic<bool> waiting{false};
    std::atomic<int> result{1};
    TestThread waiter([&] {
        waiting = true;
        result = point.Wait(20000);
    });
    ASSERT_TRUE(Eventually([&] { return waiting.load(); }));
    // The waiter may not be inside its wait yet: pulse until it has been woken (bounded).
    for (int i = 0; i < 500 && result == 1; ++i) {
        std::this_thread::sleep_for(10ms);
        point.Broadcast();
    }
    waiter.join();
    EXPECT_EQ(0, result) << "a pulse must wake a waiting thread";
    EXPECT_EQ(-1, point.Wait(50)) << "a wait begun after the pulse must wait again";
}

TEST(VolWaitingPointConcurrency, BroadcastReleasesWaitersAndLaterArrivals) {
    VolWaitingPoint point(0, -1);
    std::atomic<int> woken{0};
    std::vector<TestThread> waiters;
    for (int t = 0; t < 4; ++t) {
        waiters.emplace_back([&] {
            if (point.Wait(-1) == 0) ++woken;
        });
    }
    point.Broadcast();  // before or after the waits begin: a manual-reset point releases both
    for (TestThread& waiter : waiters) waiter.join();
    EXPECT_EQ(4, woken);
    EXPECT_EQ(0, point.Wait(50)) << "a manual-reset point stays set";
}

}  // namespace
