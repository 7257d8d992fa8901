// Locks and events over Win32 critical sections and manual-reset events.
#include "threads/os/VolOs.h"

#include <cstdlib>
#include <windows.h>

namespace volos {

struct Lock {
    CRITICAL_SECTION section;
};

Lock* LockCreate() {
    Lock* lock = static_cast<Lock*>(std::calloc(1, sizeof(Lock)));
    if (lock) InitializeCriticalSection(&lock->section);
    return lock;
}

void LockDestroy(Lock* lock) {
    if (!lock) return;
    DeleteCriticalSection(&lock->section);
    std::free(lock);
}

void LockEnter(Lock* lock) {
    EnterCriticalSection(&lock->section);
}
void LockLeave(Lock* lock) {
    LeaveCriticalSection(&lock->section);
}
bool LockTryEnter(Lock* lock) {
    return TryEnterCriticalSection(&lock->section) != FALSE;
}

// The event handle itself stands for the Event.
Event* EventCreate(bool signalled) {
    return reinterpret_cast<Event*>(CreateEventW(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr));
}

void EventDestroy(Event* event) {
    if (event) CloseHandle(reinterpret_cast<HANDLE>(event));
}

void EventSet(Event* event) {
    SetEvent(reinterpret_cast<HANDLE>(event));
}
void EventReset(Event* event) {
    ResetEvent(reinterpret_cast<HANDLE>(event));
}
void EventPulse(Event* event) {
    PulseEvent(reinterpret_cast<HANDLE>(event));
}

WaitResult EventWait(Event* event, int milliseconds) {
    const DWORD limit = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
    switch (WaitForSingleObject(reinterpret_cast<HANDLE>(event), limit)) {
        case WAIT_OBJECT_0:
            return WaitResult::Signalled;
        case WAIT_TIMEOUT:
            return WaitResult::TimedOut;
        default:
            return WaitResult::Failed;
    }
}

}  // namespace volos
