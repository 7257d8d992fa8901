#include "threads/VolMutex.h"

#include "threads/VolThreadTrace.h"
#include "threads/os/VolOs.h"

namespace {
// Constant-initialised, so it is set before any constructor of the program runs.
bool g_firstConstruction = true;
}  // namespace

VolMutex::LockOperation VolMutex::LockF = nullptr;
VolMutex::LockOperation VolMutex::UnlockF = nullptr;
VolMutex::TryLockOperation VolMutex::TryLockF = nullptr;
VolMutex VolMutex::_mutexGlobal(0, 1, 0);

VolMutex::VolMutex(int lockNow, int /*second*/, int lazy) : lock_(nullptr) {
    if (g_firstConstruction) {
        g_firstConstruction = false;
        if (InitThreadTrace()) {
            LockF = &VolMutex::Lock;
            UnlockF = &VolMutex::Unlock;
            TryLockF = &VolMutex::TryLock;
        } else {
            LockF = &VolMutex::LockM;
            UnlockF = &VolMutex::UnlockM;
            TryLockF = &VolMutex::TryLockM;
        }
    }
    if (lazy) return;
    volos::Lock* lock = volos::LockCreate();
    lock_.store(lock, std::memory_order_release);
    if (lock && lockNow) volos::LockEnter(lock);
}

VolMutex::~VolMutex() {
    volos::LockDestroy(lock_.exchange(nullptr));
}

void VolMutex::CreateOnDemand() {
    const bool guarded = this != &_mutexGlobal;
    if (guarded) (_mutexGlobal.*(LockF ? LockF : &VolMutex::LockM))();
    if (!lock_.load(std::memory_order_acquire)) lock_.store(volos::LockCreate(), std::memory_order_release);
    if (guarded) (_mutexGlobal.*(UnlockF ? UnlockF : &VolMutex::UnlockM))();
}

void VolMutex::_Initialize(int useGuard, int /*second*/) {
    if (lock_.load(std::memory_order_acquire)) return;
    if (useGuard) {
        CreateOnDemand();
    } else {
        lock_.store(volos::LockCreate(), std::memory_order_release);
    }
}

int VolMutex::IsCreated() const {
    return lock_.load(std::memory_order_acquire) ? 1 : 0;
}

void VolMutex::LockCreatingOrTracing() {
    volos::Lock* lock = lock_.load(std::memory_order_acquire);
    if (!lock) {
        CreateOnDemand();
        lock = lock_.load(std::memory_order_acquire);
    }
    if (VolThrTraceIsOn()) {
        if (!lock) {
            TraceIfEnabled("_Data NULL !!\n");
            return;
        }
        volos::LockEnter(lock);
        TraceIfEnabled("evt=lockS | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
        return;
    }
    if (lock) volos::LockEnter(lock);
}

void VolMutex::LockM() {
    volos::Lock* lock = lock_.load(std::memory_order_acquire);
    if (!lock) {
        CreateOnDemand();
        lock = lock_.load(std::memory_order_acquire);
    }
    if (lock) volos::LockEnter(lock);
}

void VolMutex::UnlockM() {
    if (volos::Lock* lock = lock_.load(std::memory_order_acquire)) volos::LockLeave(lock);
}

int VolMutex::TryLock() {
    return TryLockM();
}

int VolMutex::TryLockM() {
    volos::Lock* lock = lock_.load(std::memory_order_acquire);
    if (!lock) {
        CreateOnDemand();
        lock = lock_.load(std::memory_order_acquire);
    }
    return lock && volos::LockTryEnter(lock) ? 0 : 1;
}

VolSmartMutex::VolSmartMutex(int lazy) : mutex_(0, 1, lazy) {}

VolSmartMutex::~VolSmartMutex() = default;
