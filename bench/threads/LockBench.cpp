// VolMutex against std::recursive_mutex (the trace is off), and VolResourceLock read locking
// against std::shared_mutex, uncontended and with two threads reading at once.
#include "threads/VolMutex.h"
#include "threads/VolResourceLock.h"

#include <benchmark/benchmark.h>

#include <mutex>
#include <shared_mutex>

namespace {

void BM_VolMutex_LockUnlock(benchmark::State& state) {
    VolMutex mutex(0, 1, 0);
    for (auto _ : state) {
        mutex.Lock();
        mutex.Unlock();
    }
}

void BM_StdRecursiveMutex_LockUnlock(benchmark::State& state) {
    std::recursive_mutex mutex;
    for (auto _ : state) {
        mutex.lock();
        mutex.unlock();
    }
}

// Shared by the benchmark's threads, hence static.
void BM_VolResourceLock_ReadLockUnlock(benchmark::State& state) {
    static VolResourceLock lock;
    for (auto _ : state) {
        lock.ReadLock();
        lock.ReadUnlock();
    }
}

void BM_StdSharedMutex_ReadLockUnlock(benchmark::State& state) {
    static std::shared_mutex lock;
    for (auto _ : state) {
        lock.lock_shared();
        lock.unlock_shared();
    }
}

BENCHMARK(BM_VolMutex_LockUnlock);
BENCHMARK(BM_StdRecursiveMutex_LockUnlock);
BENCHMARK(BM_VolResourceLock_ReadLockUnlock)->Threads(1)->Threads(2);
BENCHMARK(BM_StdSharedMutex_ReadLockUnlock)->Threads(1)->Threads(2);

}  // namespace
