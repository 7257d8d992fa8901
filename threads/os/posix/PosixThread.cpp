// Threads over pthreads.
//
// Every thread is detached at once; waiting for it means waiting until its start routine has
// finished (returned, exited or been cancelled), which the routine's last act announces. That lets
// any number of waiters wait, and a terminate request never touches a thread that is gone.
//
// POSIX has no way to end another thread at once: terminating one (End or Kill from another thread)
// cancels it, and it ends at its next cancellation point (a wait, a sleep, blocking I/O). A thread
// that never reaches one runs on.
//
// Thread identifiers are the library's own small numbers, given out when a thread is created or
// first asks, so that the creator knows the new thread's identifier as soon as the create call
// returns, as on Windows.
#include "threads/os/VolOs.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <new>
#include <pthread.h>

namespace volos {

namespace {
std::atomic<unsigned> g_nextThreadId{1};
thread_local unsigned t_threadId = 0;
}  // namespace

struct Thread {
    ThreadEntry entry;
    void* argument;
    unsigned threadId;
    pthread_t thread;
    pthread_mutex_t mutex;
    pthread_cond_t finishedChanged;
    bool finished;                // under mutex
    std::atomic<int> references;  // every handle (the first and each duplicate) and the running thread
};

namespace {
void Release(Thread* thread) {
    if (thread->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    pthread_cond_destroy(&thread->finishedChanged);
    pthread_mutex_destroy(&thread->mutex);
    delete thread;
}

// Announces the end of the start routine however it ends: return, pthread_exit or cancellation
// all run this destructor.
struct FinishAnnouncer {
    Thread* thread;
    ~FinishAnnouncer() {
        pthread_mutex_lock(&thread->mutex);
        thread->finished = true;
        pthread_cond_broadcast(&thread->finishedChanged);
        pthread_mutex_unlock(&thread->mutex);
        Release(thread);
    }
};

void* Trampoline(void* raw) {
    Thread* thread = static_cast<Thread*>(raw);
    t_threadId = thread->threadId;
    FinishAnnouncer announcer{thread};
    thread->entry(thread->argument);
    return nullptr;
}
}  // namespace

Thread* ThreadCreate(ThreadEntry entry, void* argument, unsigned /*creationFlags*/, unsigned* threadId) {
    Thread* thread = new (std::nothrow) Thread;
    if (!thread) {
        errno = ENOMEM;
        return nullptr;
    }
    thread->entry = entry;
    thread->argument = argument;
    thread->threadId = g_nextThreadId.fetch_add(1);
    thread->finished = false;
    thread->references.store(2);
    pthread_mutex_init(&thread->mutex, nullptr);
    pthread_cond_init(&thread->finishedChanged, nullptr);
    if (threadId) *threadId = thread->threadId;
    const int error = pthread_create(&thread->thread, nullptr, Trampoline, thread);
    if (error) {
        pthread_cond_destroy(&thread->finishedChanged);
        pthread_mutex_destroy(&thread->mutex);
        delete thread;
        errno = error;
        return nullptr;
    }
    pthread_detach(thread->thread);
    return thread;
}

Thread* ThreadDuplicate(Thread* thread) {
    thread->references.fetch_add(1, std::memory_order_relaxed);  // the caller holds one already
    return thread;
}

WaitResult ThreadWait(Thread* thread) {
    pthread_mutex_lock(&thread->mutex);
    while (!thread->finished) pthread_cond_wait(&thread->finishedChanged, &thread->mutex);
    pthread_mutex_unlock(&thread->mutex);
    return WaitResult::Signalled;
}

void ThreadClose(Thread* thread) {
    if (thread) Release(thread);
}

void ThreadTerminate(Thread* thread, long /*exitCode*/) {
    pthread_mutex_lock(&thread->mutex);
    if (!thread->finished) pthread_cancel(thread->thread);
    pthread_mutex_unlock(&thread->mutex);
}

Thread* ThreadOpenForTerminate(unsigned /*threadId*/) {
    return nullptr;
}

void ThreadExitCurrent(long exitCode) {
    pthread_exit(reinterpret_cast<void*>(static_cast<std::intptr_t>(exitCode)));
}

unsigned CurrentThreadId() {
    if (t_threadId == 0) t_threadId = g_nextThreadId.fetch_add(1);
    return t_threadId;
}

int TerminationDefer() {
    int previous = PTHREAD_CANCEL_ENABLE;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &previous);
    return previous;
}

void TerminationRestore(int previous) {
    pthread_setcancelstate(previous, nullptr);
}

unsigned LastErrorCode() {
    return static_cast<unsigned>(errno);
}

}  // namespace volos
