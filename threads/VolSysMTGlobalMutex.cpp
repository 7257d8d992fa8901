#include "threads/VolMutex.h"

#include <atomic>
#include <new>

namespace {
std::atomic<VolMutex*> g_globalMutex{nullptr};

enum Operation { kLock = 1, kUnlock = 2, kDestroy = 8 };

// Creates the global mutex if none exists. Two threads making the first call at once each build
// one; the loser of the exchange throws its own away, so everyone uses the same mutex.
VolMutex* EnsureGlobalMutex(bool* createdNow) {
    *createdNow = false;
    VolMutex* current = g_globalMutex.load(std::memory_order_acquire);
    if (current) return current;
    VolMutex* made = new (std::nothrow) VolMutex(0, 1, 0);
    if (!made) return nullptr;
    if (!made->IsCreated()) {
        delete made;
        return nullptr;
    }
    if (g_globalMutex.compare_exchange_strong(current, made, std::memory_order_acq_rel)) {
        *createdNow = true;
        return made;
    }
    delete made;
    return current;
}
}  // namespace

int VolSysMTGlobalMutex(int operation, const char* name, int flags) {
    if (name || flags) return -1;
    if (operation != kLock && operation != kUnlock && operation != kDestroy) return -1;
    bool createdNow = false;
    VolMutex* mutex = EnsureGlobalMutex(&createdNow);
    if (!mutex) return -1;
    switch (operation) {
        case kLock:
            (mutex->*VolMutex::LockF)();
            return 1;
        case kUnlock:
            // A mutex made by this very call is held by nobody.
            if (!createdNow) (mutex->*VolMutex::UnlockF)();
            return 0;
        default: {
            (mutex->*VolMutex::LockF)();
            VolMutex* expected = mutex;
            const bool forgotten = g_globalMutex.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
            (mutex->*VolMutex::UnlockF)();
            if (forgotten) delete mutex;  // else another destroy call forgot it first and frees it
            return 0;
        }
    }
}
