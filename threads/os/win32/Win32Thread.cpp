// Threads over CreateThread, ExitThread and TerminateThread.
#include "threads/os/VolOs.h"

#include <new>
#include <windows.h>

namespace volos {

namespace {
struct StartBlock {
    ThreadEntry entry;
    void* argument;
};

DWORD WINAPI Trampoline(LPVOID raw) {
    StartBlock block = *static_cast<StartBlock*>(raw);
    delete static_cast<StartBlock*>(raw);
    return static_cast<DWORD>(block.entry(block.argument));
}
}  // namespace

// The thread handle itself stands for the Thread.
Thread* ThreadCreate(ThreadEntry entry, void* argument, unsigned creationFlags, unsigned* threadId) {
    StartBlock* block = new (std::nothrow) StartBlock{entry, argument};
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    DWORD id = 0;
    HANDLE handle = CreateThread(nullptr, 0, Trampoline, block, creationFlags, &id);
    if (!handle) {
        delete block;
        return nullptr;
    }
    if (threadId) *threadId = id;
    return reinterpret_cast<Thread*>(handle);
}

Thread* ThreadDuplicate(Thread* thread) {
    HANDLE process = GetCurrentProcess();
    HANDLE copy = nullptr;
    if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(thread), process, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return reinterpret_cast<Thread*>(copy);
}

WaitResult ThreadWait(Thread* thread) {
    return WaitForSingleObject(reinterpret_cast<HANDLE>(thread), INFINITE) == WAIT_OBJECT_0 ? WaitResult::Signalled
                                                                                            : WaitResult::Failed;
}

void ThreadClose(Thread* thread) {
    if (thread) CloseHandle(reinterpret_cast<HANDLE>(thread));
}

void ThreadTerminate(Thread* thread, long exitCode) {
    TerminateThread(reinterpret_cast<HANDLE>(thread), static_cast<DWORD>(exitCode));
}

Thread* ThreadOpenForTerminate(unsigned threadId) {
    return reinterpret_cast<Thread*>(OpenThread(THREAD_TERMINATE, FALSE, threadId));
}

void ThreadExitCurrent(long exitCode) {
    ExitThread(static_cast<DWORD>(exitCode));
}

unsigned CurrentThreadId() {
    return ::GetCurrentThreadId();
}

int TerminationDefer() {
    return 0;
}

void TerminationRestore(int) {}

unsigned LastErrorCode() {
    return ::GetLastError();
}

}  // namespace volos
