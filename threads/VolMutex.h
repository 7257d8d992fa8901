#pragma once
// The threading library's re-entrant lock, its smart wrapper and the process's one anonymous global
// lock.

#include "threads/VolApi.h"
#include "threads/VolThreadTrace.h"

#include <atomic>

namespace volos {
struct Lock;
void LockEnter(Lock* lock);
void LockLeave(Lock* lock);
}  // namespace volos

class VOL_API VolMutex {
public:
    // lockNow: the constructing thread holds the mutex on return (ignored when lazy).
    // second: no effect. lazy: the operating-system lock is created by the first Lock or TryLock.
    VolMutex(int lockNow = 0, int second = 1, int lazy = 0);
    ~VolMutex();
    VolMutex(const VolMutex&) = delete;
    VolMutex& operator=(const VolMutex&) = delete;

    // Reports "evt=lockS" while the thread trace is on. The common case (lock made, trace off) is
    // inline: it costs one test of the trace flag more than entering the lock.
    void Lock() {
        volos::Lock* lock = lock_.load(std::memory_order_acquire);
        if (lock && !VolThrTraceIsOn()) {
            volos::LockEnter(lock);
            return;
        }
        LockCreatingOrTracing();
    }
    void Unlock() {  // nothing when the lock does not exist
        if (volos::Lock* lock = lock_.load(std::memory_order_acquire)) volos::LockLeave(lock);
    }
    int TryLock();  // 0 taken, 1 held by another thread or not creatable
    // Creates the lock if it does not exist yet, under _mutexGlobal when useGuard is set. The name is
    // reserved in C++ but is the library's exported one, which its users link against: it stays.
    void _Initialize(int useGuard, int second);
    int IsCreated() const;

    using LockOperation = void (VolMutex::*)();
    using TryLockOperation = int (VolMutex::*)();
    // Traced or untraced operations, chosen by the first construction in the process. Library code
    // locking a mutex it does not own calls through these.
    static LockOperation LockF;
    static LockOperation UnlockF;
    static TryLockOperation TryLockF;

    // Guards the on-demand creation of every other mutex's lock; made with its lock at start-up.
    static VolMutex _mutexGlobal;

private:
    friend struct VolMutexUntraced;

    void LockM();
    void UnlockM();
    int TryLockM();
    void CreateOnDemand();
    void LockCreatingOrTracing();

    std::atomic<volos::Lock*> lock_;
};

class VOL_API VolSmartMutex {
public:
    explicit VolSmartMutex(int lazy = 0);
    ~VolSmartMutex();

    void Lock() { mutex_.Lock(); }
    void Unlock() { mutex_.Unlock(); }
    int TryLock() { return mutex_.TryLock(); }
    int IsCreated() const { return mutex_.IsCreated(); }
    VolMutex& Mutex() { return mutex_; }

private:
    VolMutex mutex_;
};

// operation 1 lock (result 1), 2 unlock (0), 8 destroy (0); anything else, a name or flags: -1.
VOL_API int VolSysMTGlobalMutex(int operation, const char* name, int flags);
