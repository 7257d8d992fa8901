// Locks and events over pthreads.
#include "threads/os/VolOs.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <new>
#include <pthread.h>

namespace volos {

struct Lock {
    pthread_mutex_t mutex;
};

Lock* LockCreate() {
    Lock* lock = new (std::nothrow) Lock;
    if (!lock) return nullptr;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    const int failed = pthread_mutex_init(&lock->mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    if (failed) {
        delete lock;
        return nullptr;
    }
    return lock;
}

void LockDestroy(Lock* lock) {
    if (!lock) return;
    pthread_mutex_destroy(&lock->mutex);
    delete lock;
}

void LockEnter(Lock* lock) {
    pthread_mutex_lock(&lock->mutex);
}
void LockLeave(Lock* lock) {
    pthread_mutex_unlock(&lock->mutex);
}
bool LockTryEnter(Lock* lock) {
    return pthread_mutex_trylock(&lock->mutex) == 0;
}

// A manual-reset event. A pulse advances the generation: the threads that were waiting see the
// change and return, later waiters do not, since the event itself stays unsignalled.
struct Event {
    pthread_mutex_t mutex;
    pthread_cond_t changed;
    std::atomic<bool> signalled;
    unsigned generation;
};

Event* EventCreate(bool signalled) {
    Event* event = new (std::nothrow) Event;
    if (!event) return nullptr;
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    const int condFailed = pthread_cond_init(&event->changed, &attributes);
    pthread_condattr_destroy(&attributes);
    if (condFailed) {
        delete event;
        return nullptr;
    }
    if (pthread_mutex_init(&event->mutex, nullptr)) {
        pthread_cond_destroy(&event->changed);
        delete event;
        return nullptr;
    }
    event->signalled.store(signalled);
    event->generation = 0;
    return event;
}

void EventDestroy(Event* event) {
    if (!event) return;
    pthread_cond_destroy(&event->changed);
    pthread_mutex_destroy(&event->mutex);
    delete event;
}

void EventSet(Event* event) {
    // Already set: nothing to wake. This keeps the reader-writer lock's unlock path cheap.
    if (event->signalled.load(std::memory_order_acquire)) return;
    pthread_mutex_lock(&event->mutex);
    event->signalled.store(true, std::memory_order_release);
    pthread_cond_broadcast(&event->changed);
    pthread_mutex_unlock(&event->mutex);
}

void EventReset(Event* event) {
    pthread_mutex_lock(&event->mutex);
    event->signalled.store(false, std::memory_order_release);
    pthread_mutex_unlock(&event->mutex);
}

void EventPulse(Event* event) {
    pthread_mutex_lock(&event->mutex);
    event->signalled.store(false, std::memory_order_release);
    ++event->generation;
    pthread_cond_broadcast(&event->changed);
    pthread_mutex_unlock(&event->mutex);
}

namespace {
void UnlockOnCancel(void* mutex) {
    pthread_mutex_unlock(static_cast<pthread_mutex_t*>(mutex));
}

timespec DeadlineAfter(int milliseconds) {
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    return deadline;
}
}  // namespace

WaitResult EventWait(Event* event, int milliseconds) {
    const timespec deadline = milliseconds >= 0 ? DeadlineAfter(milliseconds) : timespec{};
    WaitResult result = WaitResult::Signalled;
    pthread_mutex_lock(&event->mutex);
    // A terminated thread may be cancelled inside the wait; the mutex must not stay locked then.
    pthread_cleanup_push(UnlockOnCancel, &event->mutex);
    const unsigned generation = event->generation;
    while (!event->signalled.load(std::memory_order_relaxed) && generation == event->generation) {
        const int error = milliseconds < 0 ? pthread_cond_wait(&event->changed, &event->mutex)
                                           : pthread_cond_timedwait(&event->changed, &event->mutex, &deadline);
        if (error == ETIMEDOUT) {
            result = WaitResult::TimedOut;
            break;
        }
        if (error != 0) {
            result = WaitResult::Failed;
            break;
        }
    }
    pthread_cleanup_pop(1);
    return result;
}

}  // namespace volos
