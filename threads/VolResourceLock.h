#pragma once
// Reader-writer lock: any number of readers, or one writer. The writer may take read locks inside
// its write lock; a reader must not ask for the write lock (it would wait for itself).

#include "threads/VolApi.h"
#include "threads/VolMutex.h"
#include "threads/VolWaitingPoint.h"

class VOL_API VolResourceLock {
 public:
  VolResourceLock();
  ~VolResourceLock();
  VolResourceLock(const VolResourceLock&) = delete;
  VolResourceLock& operator=(const VolResourceLock&) = delete;

  void ReadLock();
  void ReadUnlock();
  void WriteLock();  // returns holding the mutex, with no reader left
  void WriteUnlock();

 private:
  VolMutex mutex_;               // guards readers_; held by the writer while it writes
  VolWaitingPoint readersGone_;  // wakes a waiting writer when the last reader leaves
  int readers_;
};
