#include "threads/VolMutex.h"
#include "tests/support/TestThread.h"

#include <gtest/gtest.h>

#include "tests/threads/Eventually.h"

#include <atomic>
#include <thread>

namespace {

// TryLock from a second thread (which releases what it took): 0 free, 1 held elsewhere.
int TryLockFromOtherThread(VolMutex& mutex) {
    int result = -1;
    TestThread([&] {
        result = mutex.TryLock();
        if (result == 0) mutex.Unlock();
    }).join();
    return result;
}

struct ConstructionCase {
    int lockNow;
    int lazy;
    int createdAfterConstruction;
    int heldAfterConstruction;
};

TEST(VolMutex, ConstructionArgumentsDecideCreationAndOwnership) {
    const ConstructionCase cases[] = {
        {0, 0, 1, 0}, {1, 0, 1, 1}, {0, 1, 0, 0}, {1, 1, 0, 0},  // lazy wins over lockNow
    };
    for (const ConstructionCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "lockNow=" << c.lockNow << " lazy=" << c.lazy);
        VolMutex mutex(c.lockNow, 0, c.lazy);
        EXPECT_EQ(c.createdAfterConstruction, mutex.IsCreated());
        EXPECT_EQ(c.heldAfterConstruction ? 1 : 0, TryLockFromOtherThread(mutex));
        if (c.heldAfterConstruction) mutex.Unlock();
        EXPECT_EQ(0, TryLockFromOtherThread(mutex));
    }
}

TEST(VolMutex, LazyMutexGetsItsLockOnFirstUse) {
    VolMutex locked(0, 0, 1);
    locked.Unlock();  // nothing to unlock yet: no effect, no creation
    EXPECT_EQ(0, locked.IsCreated());
    locked.Lock();
    EXPECT_EQ(1, locked.IsCreated());
    EXPECT_EQ(1, TryLockFromOtherThread(locked));
    locked.Unlock();

    VolMutex tried(0, 0, 1);
    EXPECT_EQ(0, tried.TryLock());
    EXPECT_EQ(1, tried.IsCreated());
    tried.Unlock();

    VolMutex initialised(0, 0, 1);
    initialised._Initialize(1, 0);
    EXPECT_EQ(1, initialised.IsCreated());
    VolMutex unguarded(0, 0, 1);
    unguarded._Initialize(0, 0);
    EXPECT_EQ(1, unguarded.IsCreated());
}

TEST(VolMutex, IsReentrantAndNeedsOneUnlockPerLock) {
    VolMutex mutex(1, 0, 0);
    EXPECT_EQ(0, mutex.TryLock());  // the holder takes it again
    mutex.Lock();
    mutex.Unlock();
    mutex.Unlock();
    EXPECT_EQ(1, TryLockFromOtherThread(mutex));
    mutex.Unlock();
    EXPECT_EQ(0, TryLockFromOtherThread(mutex));
}

TEST(VolMutex, OperationPointersLockAndUnlock) {
    ASSERT_NE(nullptr, VolMutex::LockF);
    ASSERT_NE(nullptr, VolMutex::UnlockF);
    ASSERT_NE(nullptr, VolMutex::TryLockF);
    VolMutex mutex(0, 0, 1);
    (mutex.*VolMutex::LockF)();
    EXPECT_EQ(1, TryLockFromOtherThread(mutex));
    EXPECT_EQ(0, (mutex.*VolMutex::TryLockF)());
    (mutex.*VolMutex::UnlockF)();
    (mutex.*VolMutex::UnlockF)();
    EXPECT_EQ(0, TryLockFromOtherThread(mutex));
}

TEST(VolMutex, GlobalGuardExistsFromProgramStart) {
    EXPECT_EQ(1, VolMutex::_mutexGlobal.IsCreated());
}

TEST(VolSmartMutex, CreatesItsLockAtOnceOrOnFirstUse) {
    VolSmartMutex eager(0);
    EXPECT_EQ(1, eager.IsCreated());
    VolSmartMutex lazy(1);
    EXPECT_EQ(0, lazy.IsCreated());
    lazy.Lock();
    EXPECT_EQ(1, lazy.IsCreated());
    EXPECT_EQ(1, TryLockFromOtherThread(lazy.Mutex()));
    lazy.Unlock();
    EXPECT_EQ(0, TryLockFromOtherThread(lazy.Mutex()));
}

TEST(VolSysMTGlobalMutex, RefusesNamesFlagsAndUnknownOperations) {
    struct Case {
        int operation;
        const char* name;
        int flags;
    };
    const Case cases[] = {{1, "x", 0},     {2, "x", 0},     {8, "", 0},       {1, nullptr, 1}, {0, nullptr, 0},
                          {3, nullptr, 0}, {4, nullptr, 0}, {-1, nullptr, 0}, {9, nullptr, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "operation " << c.operation);
        EXPECT_EQ(-1, VolSysMTGlobalMutex(c.operation, c.name, c.flags));
    }
}

// True when another thread can lock and unlock the global mutex within a generous time.
bool GlobalMutexFreeForOtherThread() {
    std::atomic<bool> done{false};
    TestThread other([&] {
        VolSysMTGlobalMutex(1, nullptr, 0);
        VolSysMTGlobalMutex(2, nullptr, 0);
        done = true;
    });
    const bool free = Eventually([&] { return done.load(); });
    if (!free) VolSysMTGlobalMutex(2, nullptr, 0);  // let the other thread finish
    other.join();
    return free;
}

TEST(VolSysMTGlobalMutex, LifecycleOfTheOneGlobalMutex) {
    EXPECT_EQ(0, VolSysMTGlobalMutex(8, nullptr, 0));  // start from "no global mutex"
    // Unlock as the first call creates it unlocked and unlocks nothing.
    EXPECT_EQ(0, VolSysMTGlobalMutex(2, nullptr, 0));
    EXPECT_TRUE(GlobalMutexFreeForOtherThread());

    EXPECT_EQ(1, VolSysMTGlobalMutex(1, nullptr, 0));
    EXPECT_EQ(1, VolSysMTGlobalMutex(1, nullptr, 0));  // re-entrant
    EXPECT_EQ(0, VolSysMTGlobalMutex(2, nullptr, 0));
    std::atomic<bool> stillHeldHere{true};
    std::atomic<bool> otherGotIt{false};
    std::atomic<bool> otherGotItWhileHeldHere{false};
    TestThread other([&] {
        VolSysMTGlobalMutex(1, nullptr, 0);
        otherGotItWhileHeldHere = stillHeldHere.load();
        otherGotIt = true;
        VolSysMTGlobalMutex(2, nullptr, 0);
    });
    GiveTheFaultAChance([&] { return otherGotIt.load(); });  // still held once by this thread
    stillHeldHere = false;
    EXPECT_EQ(0, VolSysMTGlobalMutex(2, nullptr, 0));
    other.join();
    EXPECT_TRUE(otherGotIt);
    EXPECT_FALSE(otherGotItWhileHeldHere);

    // Destroying it leaves no lock behind; the next call makes a new one.
    EXPECT_EQ(0, VolSysMTGlobalMutex(8, nullptr, 0));
    EXPECT_EQ(1, VolSysMTGlobalMutex(1, nullptr, 0));
    EXPECT_EQ(0, VolSysMTGlobalMutex(2, nullptr, 0));
    EXPECT_TRUE(GlobalMutexFreeForOtherThread());
}

}  // namespace
