#include "threads/VolResourceLock.h"

#include "threads/VolThreadTrace.h"

VolResourceLock::VolResourceLock() : mutex_(0, 1, 0), readersGone_(0, -1), readers_(0) {}

VolResourceLock::~VolResourceLock() {
  // Releases a writer that may still wait, before the point goes away.
  readersGone_.Broadcast();
}

void VolResourceLock::ReadLock() {
  TraceIfEnabled("evt=readW | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
  mutex_.Lock();
  ++readers_;
  mutex_.Unlock();
  TraceIfEnabled("evt=readS | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
}

void VolResourceLock::ReadUnlock() {
  mutex_.Lock();
  if (--readers_ == 0) readersGone_.Broadcast();
  TraceIfEnabled("evt=readU | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
  mutex_.Unlock();
}

void VolResourceLock::WriteLock() {
  TraceIfEnabled("evt=writW | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
  mutex_.Lock();
  while (readers_ != 0) {
    // Reset under the mutex: a last reader's Broadcast after the unlock below is not lost.
    readersGone_.Reset();
    mutex_.Unlock();
    readersGone_.Wait(-1);
    mutex_.Lock();
  }
  TraceIfEnabled("evt=writS | m=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
}

void VolResourceLock::WriteUnlock() {
  mutex_.Unlock();
  readersGone_.Broadcast();
}
