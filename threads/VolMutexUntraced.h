#pragma once
// Library-internal access to the untraced lock operations, for locks that the trace itself depends
// on (the thread list, which the trace searches for the calling thread's object).

#include "threads/VolMutex.h"

struct VolMutexUntraced {
    static void Lock(VolMutex& mutex) { mutex.LockM(); }
    static void Unlock(VolMutex& mutex) { mutex.UnlockM(); }
};
