#pragma once
// Reader-writer lock: any number of readers, or one writer. The writer may take read locks inside
// its write lock; a reader must not ask for the write lock (it would wait for itself).

#include "threads/VolApi.h"
#include "threads/VolMutex.h"
#include "threads/VolThreadTrace.h"
#include "threads/VolWaitingPoint.h"

#include <atomic>

class VOL_API VolResourceLock {
public:
    VolResourceLock();
    ~VolResourceLock();
    VolResourceLock(const VolResourceLock&) = delete;
    VolResourceLock& operator=(const VolResourceLock&) = delete;

    // Inline for the common case: no trace, no writer about.
    void ReadLock() {
        if (!VolThrTraceIsOn()) {
            readers_.fetch_add(1);
            if (!writerAbout_.load()) return;
            ReadUnlockCount();
        }
        ReadLockSlow();
    }
    void ReadUnlock() {
        if (VolThrTraceIsOn()) TraceReadUnlock();
        ReadUnlockCount();
    }
    void WriteLock();    // returns holding the mutex, with no reader left; may be nested
    void WriteUnlock();  // the outermost one lets readers in again

private:
    void ReadLockSlow();
    void TraceReadUnlock();
    void ReadUnlockCount() {
        if (readers_.fetch_sub(1) == 1 && writerAbout_.load()) readersGone_.Broadcast();
    }

    VolMutex mutex_;               // held by the writer while it writes; readers pass through it
                                   // while a writer is about
    VolWaitingPoint readersGone_;  // wakes a waiting writer when the last reader leaves
    std::atomic<int> readers_;
    std::atomic<bool> writerAbout_;  // a writer holds the lock or waits for the readers to leave
    int writeDepth_;                 // write locks the writer holds (nested ones count); under mutex_
};
