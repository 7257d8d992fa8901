#include "threads/VolThreads.h"

#include "threads/VolMutexUntraced.h"
#include "threads/VolThreadsInternal.h"

#include <cstdint>
#include <cstdlib>

namespace {
constexpr long kEFail = static_cast<long>(static_cast<std::int32_t>(0x80004005u));
constexpr int kBlock = 10;

// Under FirstThreadLock.
VolFirstThreadFunction* g_pending = nullptr;
int g_pendingCount = 0;
int g_pendingCapacity = 0;
bool g_firstThreadExists = false;

void FreePending() {
  std::free(g_pending);
  g_pending = nullptr;
  g_pendingCount = 0;
  g_pendingCapacity = 0;
}
}  // namespace

namespace volthreads {
VolMutex& FirstThreadLock() {
  static VolMutex* lock = new VolMutex(0, 0, 0);
  return *lock;
}

void RunPendingFirstThreadFunctions() {
  VolMutexUntraced::Lock(FirstThreadLock());
  // By index: a function may queue another one, which then runs in this same pass.
  for (int i = 0; i < g_pendingCount; ++i) {
    if (g_pending[i]) g_pending[i]();
  }
  g_firstThreadExists = true;
  FreePending();
  VolMutexUntraced::Unlock(FirstThreadLock());
}
}  // namespace volthreads

long VolSysCallOnFirstThread(VolFirstThreadFunction function) {
  if (!function) return kEFail;
  VolMutex& lock = volthreads::FirstThreadLock();
  VolMutexUntraced::Lock(lock);
  if (g_firstThreadExists) {
    VolMutexUntraced::Unlock(lock);
    function();
    return 0;
  }
  if (g_pendingCount == g_pendingCapacity) {
    auto* grown = static_cast<VolFirstThreadFunction*>(
        std::realloc(g_pending, sizeof(VolFirstThreadFunction) * static_cast<std::size_t>(g_pendingCapacity + kBlock)));
    if (!grown) {
      VolMutexUntraced::Unlock(lock);
      return kEFail;  // the function could not be queued
    }
    for (int i = g_pendingCapacity; i < g_pendingCapacity + kBlock; ++i) grown[i] = nullptr;
    if (!g_pending) std::atexit(FreePending);
    g_pending = grown;
    g_pendingCapacity += kBlock;
  }
  g_pending[g_pendingCount++] = function;
  VolMutexUntraced::Unlock(lock);
  return 0;
}
