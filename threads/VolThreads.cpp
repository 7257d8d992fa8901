#include "threads/VolThreads.h"

#include "threads/VolListThreads.h"
#include "threads/VolMutex.h"
#include "threads/VolMutexUntraced.h"
#include "threads/VolThreadTrace.h"
#include "threads/VolThreadsInternal.h"
#include "threads/os/VolOs.h"

#include <atomic>
#include <cstring>
#include <new>

namespace {
std::atomic<VolThreads*> g_mainThread{nullptr};
enum : int { kSettingNotRead = 1 };
std::atomic<int> g_multiThreading{kSettingNotRead};

constexpr unsigned kStartingOrRunning = VolThreads::kStarting | VolThreads::kRunning;

// The first construction in the process reads the setting, makes the main thread object and runs
// the queued first-thread functions; anyone else constructing meanwhile waits until it is done.
void CompleteFirstConstruction() {
    if (volthreads::FirstConstructionComplete() || !volthreads::BeginFirstConstruction()) return;
    VolThreads::IsMultiThreadingAllowed();
    // Its own construction comes back here and goes on: this thread runs the first construction.
    g_mainThread.store(new (std::nothrow) VolThreads("MainThread", nullptr, 0, -1, -1), std::memory_order_release);
    volthreads::FinishFirstConstruction();
}
}  // namespace

VolThreads::VolThreads(const char* name, void* argument, int flag, int /*unused*/, int adopt) : record_(nullptr) {
    CompleteFirstConstruction();
    VolThreadStart* start = new (std::nothrow) VolThreadStart{nullptr, argument, this};
    VolThreadRecord* record = start ? new (std::nothrow) VolThreadRecord(this, start) : nullptr;
    if (record) {
        record_ = record;
    } else {
        delete start;
    }
    if (name) {
        TraceIfEnabled("evt=tcreat | thr=0x" VOL_TRACE_ADDR " | nam=%s\n", VOL_TRACE_PTR(this), name);
    } else {
        TraceIfEnabled("evt=tcreat | thr=0x" VOL_TRACE_ADDR " | nam='anonymous'\n", VOL_TRACE_PTR(this));
    }
    if (record_ && adopt) {
        record_->status.fetch_or(kRunning);
        record_->threadId.store(volos::CurrentThreadId());
    }
    if (record_ && flag) record_->status.fetch_or(kFlagged);
    // Entered after the id is known, so that the list's order holds for adopted threads too.
    VolListThreads::AddThread(this);
}

VolThreads::~VolThreads() {
    // Out of the list first, so that no lookup reads the record while it goes away.
    VolListThreads::RemoveThread(this);
    VolThreadRecord* record = record_;
    if (!record) return;
    record->lock.Lock();
    TraceIfEnabled("evt=tdel | thr=0x" VOL_TRACE_ADDR "\n", VOL_TRACE_PTR(this));
    delete record->start;
    record->start = nullptr;
    record_ = nullptr;
    if (volos::Thread* handle = record->handle.exchange(nullptr)) volos::ThreadClose(handle);
    record->lock.Unlock();
    delete record;
}

int VolThreads::Run(unsigned /*unused*/) {
    VolThreadRecord* record = record_;
    if (!record) return 1;
    record->lock.Lock();
    const unsigned status = record->status.load();
    record->status.store((status & ~(kEnded | kJoined)) | kStarting);
    record->started.Reset();
    if (status & kStartingOrRunning) {
        record->lock.Unlock();
        return 1;
    }
    record->returnCode.store(1);
    unsigned threadId = 0;
    volos::Thread* handle =
        volos::ThreadCreate(&VolThreads::InitThreads, record->start, record->creationFlags, &threadId);
    if (!handle) {
        record->lock.Unlock();
        return -1;
    }
    record->threadId.store(threadId);
    // Still under the lock, which the new thread takes before it calls its function.
    volthreads::ShareFirstConstruction(threadId);
    ++record->handleGeneration;
    // A thread that ended without being joined leaves its handle; it is not needed any more.
    if (volos::Thread* previous = record->handle.exchange(handle)) volos::ThreadClose(previous);
    record->lock.Unlock();
    return 0;
}

long VolThreads::InitThreads(void* raw) {
    auto* start = static_cast<VolThreadStart*>(raw);
    if (!start || !start->owner || !start->owner->record_) return 0;
    VolThreads* owner = start->owner;
    VolThreadRecord* record = owner->record_;
    // The thread knows its own id before Run has stored it: its first trace line can name its object.
    record->threadId.store(volos::CurrentThreadId());
    TraceIfEnabled("evt=trun \n");
    // Run holds this lock while it creates the thread, so the handle is stored before this runs.
    record->lock.Lock();
    record->status.fetch_or(kRunning);
    record->started.Broadcast();
    record->status.fetch_and(~kStarting);
    record->lock.Unlock();
    const long result = owner->Begin(start->argument);
    owner->End(result);
    return result;
}

long VolThreads::Begin(void* argument) {
    VolThreadRecord* record = record_;
    if (!record) return -1;
    VolMutexUntraced::Lock(record->lock);
    VolThreadFunction function = record->start->function;
    VolMutexUntraced::Unlock(record->lock);
    return function ? function(argument) : 0;
}

int VolThreads::SetFunction(VolThreadFunction function) {
    VolThreadRecord* record = record_;
    if (!record) return -1;
    record->lock.Lock();
    record->start->function = function;
    record->lock.Unlock();
    return 0;
}

void VolThreads::End(long exitCode) {
    VolThreadRecord* record = record_;
    if (!record) return;
    record->lock.Lock();
    const unsigned status = record->status.load();
    if (!(status & kRunning)) {
        record->lock.Unlock();
        return;
    }
    const unsigned threadId = record->threadId.load();
    volos::Thread* handle = record->handle.load();
    const bool onItsOwnThread = volos::CurrentThreadId() == threadId;
    // Taken under the lock: a Join or a Kill may close the record's handle as soon as it is released.
    volos::Thread* own = handle && !onItsOwnThread ? volos::ThreadDuplicate(handle) : nullptr;
    record->returnCode.store(exitCode);
    record->status.store((status & ~kRunning) | kEnded);
    record->lock.Unlock();
    TraceIfEnabled("evt=tend | thr=0x" VOL_TRACE_ADDR " | tid=%-d \n", VOL_TRACE_PTR(this), static_cast<int>(threadId));
    if (!handle) return;  // an adopted thread is only marked
    if (onItsOwnThread) volos::ThreadExitCurrent(exitCode);
    if (!own) return;  // no handle of its own to be had: the thread cannot be reached safely
    volos::ThreadTerminate(own, exitCode);
    volos::ThreadClose(own);
}

void VolThreads::Kill(long exitCode) {
    VolThreadRecord* record = record_;
    if (!record) return;
    // Under the lock, like Join and End: they duplicate the record's handle under it, so it must
    // not be taken and closed in the middle.
    record->lock.Lock();
    if (!(record->status.load() & kRunning) || !record->handle.load()) {
        record->lock.Unlock();
        return;
    }
    record->returnCode.store(exitCode);
    record->status.fetch_and(~kRunning);
    record->status.fetch_or(kEnded);
    const unsigned threadId = record->threadId.load();
    const bool onItsOwnThread = volos::CurrentThreadId() == threadId;
    // On its own thread the handle stays for a Join.
    volos::Thread* taken = onItsOwnThread ? nullptr : record->handle.exchange(nullptr);
    record->lock.Unlock();
    if (onItsOwnThread) volos::ThreadExitCurrent(exitCode);
    if (volos::Thread* opened = volos::ThreadOpenForTerminate(threadId)) {
        volos::ThreadTerminate(opened, exitCode);
        volos::ThreadClose(opened);
    } else {
        volos::ThreadTerminate(taken, exitCode);
    }
    volos::ThreadClose(taken);
}

void VolThreads::Join() {
    VolThreadRecord* record = record_;
    if (!record) return;
    record->lock.Lock();
    const unsigned status = record->status.fetch_or(kJoined);
    if (!(status & kStartingOrRunning) && (status & kJoined)) {
        record->lock.Unlock();
        return;
    }
    volos::Thread* handle = record->handle.load();
    // Taken under the lock: a Kill, an End or another Join may close the record's handle meanwhile.
    volos::Thread* own = handle ? volos::ThreadDuplicate(handle) : nullptr;
    const unsigned ownError = own ? 0 : volos::LastErrorCode();
    const unsigned generation = record->handleGeneration;
    record->lock.Unlock();
    TraceIfEnabled("evt=tjoin | thr=0x" VOL_TRACE_ADDR "\n", VOL_TRACE_PTR(this));
    if (handle) {
        const bool failed = !own || volos::ThreadWait(own) != volos::WaitResult::Signalled;
        const unsigned error = own ? volos::LastErrorCode() : ownError;
        volos::ThreadClose(own);
        // The record's handle goes too, unless a Kill took it or a Run replaced it meanwhile.
        record->lock.Lock();
        if (record->handleGeneration == generation) volos::ThreadClose(record->handle.exchange(nullptr));
        record->lock.Unlock();
        if (failed) {
            TraceAlways("status = WAIT FAILED\n");
            TraceAlways("ERROR = 0x%x %d\n", error, static_cast<int>(error));
        }
    } else {
        TraceAlways("null thread handle in Join \n");
    }
    TraceIfEnabled("evt=ejoin | thr=0x" VOL_TRACE_ADDR "\n", VOL_TRACE_PTR(this));
}

unsigned VolThreads::IsRunning() {
    VolThreadRecord* record = record_;
    return record ? (record->status.load() & kRunning) : 0;
}

unsigned VolThreads::GetStatus() {
    VolThreadRecord* record = record_;
    return record ? record->status.load() : 0;
}

unsigned VolThreads::StoredThreadId() const {
    const VolThreadRecord* record = record_;
    return record ? record->threadId.load() : 0xFFFFFFFFu;
}

unsigned VolThreads::GetThreadId() {
    VolThreadRecord* record = record_;
    return record ? record->threadId.load() : 0xFFFFFFFFu;
}

long VolThreads::GetThreadReturnCode() {
    VolThreadRecord* record = record_;
    if (!record || (record->status.load() & kRunning)) return 1;
    return record->returnCode.load();
}

void VolThreads::EmitTrace(const char* text) {
    TraceIfEnabled("evt=msg | thr=0x" VOL_TRACE_ADDR " | msg=%s\n", VOL_TRACE_PTR(this), text ? text : "");
}

unsigned VolThreads::GetCurrentThreadId() {
    return volos::CurrentThreadId();
}

VolThreads* VolThreads::GetCurrentThread() {
    return VolListThreads::FindThread(volos::CurrentThreadId());
}

VolThreads* VolThreads::GetMainThread() {
    if (VolThreads* main = g_mainThread.load(std::memory_order_acquire)) return main;
    // Made by the first construction; null only while the main object itself is being made.
    CompleteFirstConstruction();
    return g_mainThread.load(std::memory_order_acquire);
}

int VolThreads::IsMultiThreadingAllowed() {
    int setting = g_multiThreading.load(std::memory_order_acquire);
    if (setting == kSettingNotRead) {
        const char* value = volos::GetEnvironment("VolSysMultiThreading");
        setting = value && std::strcmp(value, "FALSE") == 0 ? 0 : -1;
        g_multiThreading.store(setting, std::memory_order_release);
    }
    return setting;
}

int VolThreads::GetProcessorsNumber() {
    return IsMultiThreadingAllowed() == 0 ? 1 : volos::ProcessorCount();
}

// ---- The list of thread objects ----

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
