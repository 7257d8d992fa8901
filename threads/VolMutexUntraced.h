#pragma once
// Untraced lock operations, for locks that the trace itself depends on (the thread list, which the
// trace searches for the calling thread's object) and for locks that are no thread events of their
// own (the setup log's, the socket driver's settings).

#include "threads/VolMutex.h"

struct VolMutexUntraced {
    static void Lock(VolMutex& mutex) { mutex.LockM(); }
    static void Unlock(VolMutex& mutex) { mutex.UnlockM(); }
};

// Holds a mutex, untraced, for one scope.
class VolMutexUntracedHold {
public:
    explicit VolMutexUntracedHold(VolMutex& mutex) : mutex_(mutex) { VolMutexUntraced::Lock(mutex_); }
    ~VolMutexUntracedHold() { VolMutexUntraced::Unlock(mutex_); }
    VolMutexUntracedHold(const VolMutexUntracedHold&) = delete;
    VolMutexUntracedHold& operator=(const VolMutexUntracedHold&) = delete;

private:
    VolMutex& mutex_;
};
