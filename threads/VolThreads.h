#pragma once
// The threading library's thread object and the first-thread hook.

#include "threads/VolApi.h"
#include "threads/VolListThreads.h"

using VolThreadFunction = long (*)(void* argument);

struct VolThreadRecord;
struct VolThreadStart;

class VOL_API VolThreads {
public:
    // Status bits.
    enum : unsigned {
        kCreated = 0x01,
        kStarting = 0x02,
        kRunning = 0x04,
        kEnded = 0x10,
        kFlagged = 0x20,  // the constructor's third argument was non-zero
        kJoined = 0x40,
    };

    // name: for the trace only. argument: handed to the thread function. adopt non-zero: the object
    // stands for the calling thread, which is marked running.
    VolThreads(const char* name, void* argument, int flag = 0, int unused = 0, int adopt = 0);
    ~VolThreads();  // neither stops nor waits for the thread
    VolThreads(const VolThreads&) = delete;
    VolThreads& operator=(const VolThreads&) = delete;

    // The order of these virtual operations is part of the exported interface.
    virtual int Run(unsigned unused = 0);  // 0 created; 1 already starting or running; -1 failed
    virtual long Begin(void* argument);    // the thread's work: calls the thread function
    virtual int SetFunction(VolThreadFunction function);
    virtual void Join();
    virtual void End(long exitCode);
    virtual void Kill(long exitCode);
    virtual unsigned IsRunning();
    virtual unsigned GetStatus();
    virtual unsigned GetThreadId();
    virtual long GetThreadReturnCode();  // 1 while running; the thread's result once it has ended
    virtual void EmitTrace(const char* text);

    static unsigned GetCurrentThreadId();
    static VolThreads* GetCurrentThread();
    static VolThreads* GetMainThread();
    static int IsMultiThreadingAllowed();  // 0 when "VolSysMultiThreading" is "FALSE", else -1
    static int GetProcessorsNumber();

private:
    friend class VolListThreads;
    static long InitThreads(void* start);
    // The identifier as stored, whatever a derived class makes of GetThreadId.
    unsigned StoredThreadId() const;

    VolThreadRecord* record_;
};

using VolFirstThreadFunction = void (*)();

// Runs function once a first thread object exists: at once if one does, else at the first
// construction. E_FAIL for a null function, else 0.
VOL_API long VolSysCallOnFirstThread(VolFirstThreadFunction function);
