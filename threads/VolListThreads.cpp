#include "threads/VolThreads.h"

#include "threads/VolMutex.h"
#include "threads/VolMutexUntraced.h"
#include "threads/VolThreadsInternal.h"

#include <new>

VolListThreads* VolListThreads::S_First = nullptr;

namespace {
// Created at once and never destroyed: it must exist before the first list operation and outlive
// every thread object. Taken untraced, because the trace itself looks threads up in the list.
VolMutex& ListLock() {
    static VolMutex* lock = new VolMutex(0, 0, 0);
    return *lock;
}

}  // namespace

void VolListThreads::AddThread(VolThreads* thread) {
    VolMutexUntracedHold guard(ListLock());
    VolListThreads* node = new (std::nothrow) VolListThreads(thread, nullptr);
    if (!node) return;
    const unsigned id = thread->StoredThreadId();
    VolListThreads** link = &S_First;
    while (*link && (*link)->thread_->StoredThreadId() < id) link = &(*link)->next_;
    node->next_ = *link;
    *link = node;
}

void VolListThreads::RemoveThread(VolThreads* thread) {
    VolMutexUntracedHold guard(ListLock());
    for (VolListThreads** link = &S_First; *link; link = &(*link)->next_) {
        if ((*link)->thread_ == thread) {
            VolListThreads* node = *link;
            *link = node->next_;
            delete node;
            return;
        }
    }
}

VolListThreads* VolListThreads::FindListObj(VolThreads* thread) {
    VolMutexUntracedHold guard(ListLock());
    for (VolListThreads* node = S_First; node; node = node->next_) {
        if (node->thread_ == thread) return node;
    }
    return nullptr;
}

// Objects take their identifier when their thread starts, after they were placed in the list, so
// the order cannot be trusted for a lookup: the whole list is searched.
VolThreads* VolListThreads::FindThread(unsigned threadId) {
    VolMutexUntracedHold guard(ListLock());
    for (VolListThreads* node = S_First; node; node = node->next_) {
        if (node->thread_->StoredThreadId() == threadId) return node->thread_;
    }
    return nullptr;
}

VolListThreads* VolListThreads::GetFirst() {
    VolMutexUntracedHold guard(ListLock());
    return S_First;
}
