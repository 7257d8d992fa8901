#include "threads/VolResourceLock.h"

#include "threads/VolThreadTrace.h"

// Readers count themselves with one atomic step while no writer is about, and otherwise pass
// through the mutex, which a writer holds while it writes. The reader's "count, then look for a
// writer" and the writer's "announce, then look at the count" are sequentially consistent, so at
// least one of the two sees the other: a reader never slips in unseen, and a writer never waits
// for a reader that has already gone. The writer counts its nested write locks, so that only the
// outermost unlock lets readers back in.

VolResourceLock::VolResourceLock()
    : mutex_(0, 1, 0), readersGone_(0, -1), readers_(0), writerAbout_(false), writeDepth_(0) {}

VolResourceLock::~VolResourceLock() {
    // Releases a writer that may still wait, before the point goes away.
    readersGone_.Broadcast();
}

// The trace is on or a writer is about (the fast path of ReadLock has stepped back already).
void VolResourceLock::ReadLockSlow() {
    TraceIfEnabled("evt=readW | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
    readers_.fetch_add(1);
    if (writerAbout_.load()) {
        // Step back and queue behind the writer, if it writes now, on the mutex.
        ReadUnlockCount();
        mutex_.Lock();
        readers_.fetch_add(1);
        mutex_.Unlock();
    }
    TraceIfEnabled("evt=readS | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
}

void VolResourceLock::TraceReadUnlock() {
    TraceIfEnabled("evt=readU | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
}

void VolResourceLock::WriteLock() {
    TraceIfEnabled("evt=writW | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
    mutex_.Lock();
    if (writeDepth_ > 0) {
        // Only the writer that holds the mutex sees a depth: this is a nested write lock, and any
        // reader inside is this thread itself.
        ++writeDepth_;
        TraceIfEnabled("evt=writS | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
        return;
    }
    writerAbout_.store(true);
    while (readers_.load() != 0) {
        // Reset, then look again: a last reader's Broadcast after the reset is not lost.
        readersGone_.Reset();
        if (readers_.load() == 0) break;
        // Readers may still get in while the writer waits without the mutex.
        mutex_.Unlock();
        readersGone_.Wait(-1);
        mutex_.Lock();
        writerAbout_.store(true);  // another writer may have come and gone meanwhile
    }
    writeDepth_ = 1;  // set only now: while it waited, without the mutex, it held nothing
    TraceIfEnabled("evt=writS | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
}

void VolResourceLock::WriteUnlock() {
    if (--writeDepth_ > 0) {
        mutex_.Unlock();  // an inner unlock: the outer write lock still keeps readers out
        return;
    }
    writerAbout_.store(false);
    mutex_.Unlock();
    readersGone_.Broadcast();
}
