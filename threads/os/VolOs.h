#pragma once
// The threading library's own thin operating-system layer. Only the files under threads/os/ talk to
// the system (Win32 or POSIX); the rest of the library calls these functions.

#include <cstdint>

namespace volos {

// ---- Re-entrant lock (a critical section on Windows, a recursive pthread mutex elsewhere).
struct Lock;
Lock* LockCreate();  // null when the lock cannot be allocated
void LockDestroy(Lock* lock);
void LockEnter(Lock* lock);
void LockLeave(Lock* lock);
bool LockTryEnter(Lock* lock);

// ---- Manual-reset event.
enum class WaitResult { Signalled, TimedOut, Failed };
struct Event;
Event* EventCreate(bool signalled);  // null on failure
void EventDestroy(Event* event);
void EventSet(Event* event);
void EventReset(Event* event);
// Wakes the threads waiting at this moment and leaves the event unsignalled.
void EventPulse(Event* event);
// milliseconds < 0 waits without limit.
WaitResult EventWait(Event* event, int milliseconds);

// ---- Threads.
using ThreadEntry = long (*)(void* argument);
struct Thread;
// Starts entry(argument); stores the new thread's identifier in *threadId before returning.
Thread* ThreadCreate(ThreadEntry entry, void* argument, unsigned creationFlags, unsigned* threadId);
// A handle of the caller's own on the same thread, closed with ThreadClose like the first: whoever
// waits on a thread or terminates it holds one, so that another caller closing its handle meanwhile
// cannot pull the thread out from under it. Null on failure (LastErrorCode tells why).
Thread* ThreadDuplicate(Thread* thread);
WaitResult ThreadWait(Thread* thread);  // until the thread has ended
void ThreadClose(Thread* thread);
void ThreadTerminate(Thread* thread, long exitCode);
// A second handle on the thread with this identifier, with the right to terminate it; null when
// the system cannot give one (always on POSIX).
Thread* ThreadOpenForTerminate(unsigned threadId);
[[noreturn]] void ThreadExitCurrent(long exitCode);
unsigned CurrentThreadId();
// Holds off a POSIX cancellation of this thread until the matching restore, so that a terminated
// thread cannot leave a lock (the trace's output lock, the C library's stream lock) held. Windows
// cannot hold off TerminateThread: there both do nothing.
int TerminationDefer();
void TerminationRestore(int previous);
unsigned LastErrorCode();  // the system's code for the last failed call on this thread

// ---- Process.
int ProcessorCount();
const char* GetEnvironment(const char* name);  // null when unset

// ---- TCP client socket, for the trace collector.
using Socket = std::intptr_t;
constexpr Socket kInvalidSocket = -1;
Socket TcpSocketCreate();
bool ResolveHostIPv4(const char* host, std::uint32_t* addressNetworkOrder);
std::uint32_t LoopbackIPv4();  // network byte order
bool TcpConnect(Socket socket, std::uint32_t addressNetworkOrder, int port);
// Sends at most length bytes; returns the number sent, or -1 on failure. Never raises SIGPIPE.
int SocketSend(Socket socket, const char* data, int length);
void SocketClose(Socket socket);
// Writes text, ": ", the C library's message for the current error and a line feed to stderr.
void ReportError(const char* text);

// ---- Dynamic libraries. On POSIX the file name is handed to dlopen unchanged.
void* LibraryLoad(const char* fileName);
void* LibrarySymbol(void* module, const char* symbol);

}  // namespace volos
