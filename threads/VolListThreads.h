#pragma once
// The process-wide list of thread objects, ordered by thread id as the ids stand when an object is
// entered. Its bodies are in VolThreads.cpp: the thread object enters and leaves it, and the list
// reads the thread's id, so the two are one unit.

#include "threads/VolApi.h"

class VolThreads;

class VOL_API VolListThreads {
public:
    VolListThreads* GetNext() const { return next_; }
    VolThreads* GetThread() const { return thread_; }

    static void AddThread(VolThreads* thread);
    static void RemoveThread(VolThreads* thread);
    static VolListThreads* FindListObj(VolThreads* thread);
    static VolThreads* FindThread(unsigned threadId);
    static VolListThreads* GetFirst();

    static VolListThreads* S_First;

private:
    VolListThreads(VolThreads* thread, VolListThreads* next) : thread_(thread), next_(next) {}

    VolThreads* thread_;
    VolListThreads* next_;
};
