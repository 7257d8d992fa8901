#pragma once
// Shared by the files of the thread object, its list and the first-thread hook; not installed.

#include "threads/VolMutex.h"
#include "threads/VolThreads.h"
#include "threads/VolWaitingPoint.h"

#include <atomic>

namespace volos {
struct Thread;
}

struct VolThreadStart {
    VolThreadFunction function;
    void* argument;
    VolThreads* owner;
};

// Fields written under lock; status, id, result and handle are also read (or, by Kill, taken)
// without it, hence atomic. Whoever waits on the thread or terminates it from outside does so
// through a duplicate of the handle of its own, never through the record's.
struct VolThreadRecord {
    explicit VolThreadRecord(VolThreads* ownerObject, VolThreadStart* startRecord)
        : owner(ownerObject), start(startRecord), started(0, -1), lock(0, 0, 0) {}

    VolThreads* owner;
    VolThreadStart* start;
    std::atomic<unsigned> threadId{0};
    std::atomic<volos::Thread*> handle{nullptr};
    std::atomic<unsigned> status{VolThreads::kCreated};
    std::atomic<long> returnCode{1};
    unsigned creationFlags = 0;
    // Under lock: counts the handles Run has stored, so that a Join closes the record's handle only
    // if it is still the one it waited on (a closed handle's value may be given out again).
    unsigned handleGeneration = 0;
    VolWaitingPoint started;
    VolMutex lock;
};

namespace volthreads {
// Guards the stage of the first construction and the queued first-thread functions. Re-entrant,
// created at once, never destroyed.
VolMutex& FirstThreadLock();
bool FirstConstructionComplete();
// True for the one caller that is to run the first construction. Returns false at once when it is
// complete or this thread takes part in it; otherwise waits until it is complete, then returns false.
bool BeginFirstConstruction();
// Called by Run, before the new thread can run any code of its owner: when the calling thread takes
// part in the first construction, the new one does too, so that a queued function may wait for it.
void ShareFirstConstruction(unsigned newThreadId);
// Run by that caller once the main thread object exists: runs the queued functions, outside the
// lock, until none is left, then marks the construction complete and releases the waiters.
void FinishFirstConstruction();
}  // namespace volthreads
