// The first construction of a thread object and the functions queued to run at it.
//
// One thread runs the first construction; it alone may go through it again (the main thread
// object's own construction, a queued function that constructs a thread object), and so may the
// threads that thread object starts meanwhile, which take part in it. Every other thread that
// constructs a thread object meanwhile waits until the construction is complete: the main thread
// object exists and every queued function has returned. The queued functions run without the lock,
// so that they may wait for threads that use the library.
#include "threads/VolThreads.h"

#include "threads/VolMutexUntraced.h"
#include "threads/VolThreadsInternal.h"
#include "threads/os/VolOs.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace {
constexpr long kEFail = static_cast<long>(static_cast<std::int32_t>(0x80004005u));
constexpr int kBlock = 10;

enum class Stage { NotStarted, Running, Complete };

// Under FirstThreadLock.
Stage g_stage = Stage::NotStarted;
unsigned g_runningThread = 0;
unsigned* g_partakers = nullptr;  // the threads started by the construction meanwhile
int g_partakerCount = 0;
VolFirstThreadFunction* g_pending = nullptr;
int g_pendingCount = 0;
int g_pendingCapacity = 0;
bool g_freeAtExitRegistered = false;

std::atomic<bool> g_complete{false};

// Set once the first construction is complete; never destroyed, as waiters may still leave it.
volos::Event* CompletedEvent() {
    static volos::Event* const event = volos::EventCreate(false);
    return event;
}

void FreePending() {
    std::free(g_pending);
    g_pending = nullptr;
    g_pendingCount = 0;
    g_pendingCapacity = 0;
}

// Under FirstThreadLock.
bool TakesPart(unsigned threadId) {
    if (g_stage != Stage::Running) return false;
    if (threadId == g_runningThread) return true;
    for (int i = 0; i < g_partakerCount; ++i) {
        if (g_partakers[i] == threadId) return true;
    }
    return false;
}

void WaitUntilComplete() {
    volos::Event* completed = CompletedEvent();
    // Without an event (no memory at start-up) there is nothing to wait on: go on.
    while (completed && !g_complete.load(std::memory_order_acquire)) volos::EventWait(completed, -1);
}
}  // namespace

namespace volthreads {
VolMutex& FirstThreadLock() {
    static VolMutex* lock = new VolMutex(0, 0, 0);
    return *lock;
}

bool FirstConstructionComplete() {
    return g_complete.load(std::memory_order_acquire);
}

bool BeginFirstConstruction() {
    CompletedEvent();  // made before anyone can need to wait on it
    VolMutex& lock = FirstThreadLock();
    VolMutexUntraced::Lock(lock);
    const Stage stage = g_stage;
    const bool runningHere = TakesPart(volos::CurrentThreadId());
    if (stage == Stage::NotStarted) {
        g_stage = Stage::Running;
        g_runningThread = volos::CurrentThreadId();
    }
    VolMutexUntraced::Unlock(lock);
    if (stage == Stage::Running && !runningHere) WaitUntilComplete();
    return stage == Stage::NotStarted;
}

void ShareFirstConstruction(unsigned newThreadId) {
    if (FirstConstructionComplete()) return;
    VolMutex& lock = FirstThreadLock();
    VolMutexUntraced::Lock(lock);
    if (TakesPart(volos::CurrentThreadId())) {
        auto* grown = static_cast<unsigned*>(
            std::realloc(g_partakers, sizeof(unsigned) * static_cast<std::size_t>(g_partakerCount + 1)));
        // Without memory the new thread waits like any other: a function that joins it then hangs.
        if (grown) {
            g_partakers = grown;
            g_partakers[g_partakerCount++] = newThreadId;
        }
    }
    VolMutexUntraced::Unlock(lock);
}

void FinishFirstConstruction() {
    VolMutex& lock = FirstThreadLock();
    for (;;) {
        VolMutexUntraced::Lock(lock);
        if (g_pendingCount == 0) {
            g_stage = Stage::Complete;
            FreePending();
            std::free(g_partakers);
            g_partakers = nullptr;
            g_partakerCount = 0;
            g_complete.store(true, std::memory_order_release);
            VolMutexUntraced::Unlock(lock);
            break;
        }
        // Taken out, so that functions queued while these run (by them or by other threads) go into a
        // fresh array and run in the next pass.
        VolFirstThreadFunction* functions = g_pending;
        const int count = g_pendingCount;
        g_pending = nullptr;
        g_pendingCount = 0;
        g_pendingCapacity = 0;
        VolMutexUntraced::Unlock(lock);
        for (int i = 0; i < count; ++i) {
            if (functions[i]) functions[i]();
        }
        std::free(functions);
    }
    if (volos::Event* completed = CompletedEvent()) volos::EventSet(completed);
}
}  // namespace volthreads

long VolSysCallOnFirstThread(VolFirstThreadFunction function) {
    if (!function) return kEFail;
    VolMutex& lock = volthreads::FirstThreadLock();
    VolMutexUntraced::Lock(lock);
    if (g_stage == Stage::Complete) {
        VolMutexUntraced::Unlock(lock);
        function();
        return 0;
    }
    // Before or during the first construction: the constructing thread runs it before the
    // construction is complete.
    if (g_pendingCount == g_pendingCapacity) {
        auto* grown = static_cast<VolFirstThreadFunction*>(std::realloc(
            g_pending, sizeof(VolFirstThreadFunction) * static_cast<std::size_t>(g_pendingCapacity + kBlock)));
        if (!grown) {
            VolMutexUntraced::Unlock(lock);
            return kEFail;  // the function could not be queued
        }
        for (int i = g_pendingCapacity; i < g_pendingCapacity + kBlock; ++i) grown[i] = nullptr;
        if (!g_freeAtExitRegistered) {
            g_freeAtExitRegistered = true;
            std::atexit(FreePending);
        }
        g_pending = grown;
        g_pendingCapacity += kBlock;
    }
    g_pending[g_pendingCount++] = function;
    VolMutexUntraced::Unlock(lock);
    return 0;
}
