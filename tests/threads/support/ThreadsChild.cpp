// Started by vol_trace_process_test with the environment of one scenario. The library reads its
// settings once per process, at start-up, so each setting needs a process of its own. Lines that
// the test reads start with "child:"; everything else is the library's own output.
#include "threads/VolMutex.h"
#include "threads/VolThreadTrace.h"
#include "threads/VolThreads.h"
#include "tests/support/TestThread.h"

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

void Say(const char* text) {
    std::printf("child: %s\n", text);
    std::fflush(stdout);
}

long ReturnThree(void*) {
    return 3;
}

int MutexScenario() {
    std::printf("child: init=%d\n", InitThreadTrace());
    VolMutex mutex(0, 0, 0);
    std::printf("child: mutex=0x%" PRIxPTR "\n", reinterpret_cast<std::uintptr_t>(&mutex));
    std::fflush(stdout);
    mutex.Lock();
    mutex.Lock();
    mutex.Unlock();
    mutex.Unlock();
    if (mutex.TryLock() == 0) mutex.Unlock();
    return 0;
}

int JoinWithoutThreadScenario() {
    VolThreads idle("idle", nullptr);
    idle.Join();
    return 0;
}

int ThreadRunScenario() {
    VolThreads worker("worker", nullptr);
    std::printf("child: thread=0x%" PRIxPTR "\n", reinterpret_cast<std::uintptr_t>(&worker));
    std::fflush(stdout);
    worker.SetFunction(ReturnThree);
    worker.Run();
    worker.Join();
    worker.EmitTrace("hello");
    return 0;
}

int LongMessageScenario() {
    VolThreads thread("long", nullptr);
    const std::string text(3000, 'a');
    thread.EmitTrace(text.c_str());
    return 0;
}

// Many lines over a while, so that a collector that hangs up is noticed mid-way.
int BurstScenario() {
    VolThreads thread("burst", nullptr);
    for (int i = 0; i < 300; ++i) {
        thread.EmitTrace(("line " + std::to_string(i)).c_str());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 0;
}

int MultiThreadingScenario() {
    std::printf("child: allowed=%d processors=%d\n", VolThreads::IsMultiThreadingAllowed(),
                VolThreads::GetProcessorsNumber());
    return 0;
}

unsigned g_hookThread = 0;
void FirstHook() {
    g_hookThread = VolThreads::GetCurrentThreadId();
    Say("first hook");
}
void SecondHook() {
    Say("second hook");
}
void LateHook() {
    Say("late hook");
}

int FirstThreadScenario() {
    if (VolSysCallOnFirstThread(FirstHook) != 0 || VolSysCallOnFirstThread(SecondHook) != 0) return 2;
    Say("before first object");
    VolThreads first("first", nullptr);
    Say("after first object");
    std::printf("child: hook on constructing thread=%d\n", g_hookThread == VolThreads::GetCurrentThreadId());
    VolThreads second("second", nullptr);
    Say("after second object");
    VolSysCallOnFirstThread(LateHook);
    Say("end");
    return 0;
}

// The first construction runs a queued function that takes its time. Meanwhile one thread queues
// another function (nothing runs them under a lock, so it is not kept waiting) and one constructs an
// object (it must not go on before the first construction is complete).
namespace first_construction_race {
std::atomic<bool> queued{false};
std::atomic<bool> slowHookDone{false};
std::atomic<bool> secondMade{false};
std::atomic<bool> secondWentOnTooEarly{false};
std::atomic<unsigned> lateHookThread{0};
TestThread queuer;
TestThread constructor;

template <typename Condition>
bool WaitUpTo(int milliseconds, Condition condition) {
    for (int waited = 0; waited < milliseconds && !condition(); waited += 5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

void LateHook() {
    lateHookThread = VolThreads::GetCurrentThreadId();
}

void SlowHook() {
    queuer = TestThread([] {
        VolSysCallOnFirstThread(LateHook);
        queued = true;
    });
    constructor = TestThread([] {
        VolThreads second("second", nullptr);
        secondWentOnTooEarly = !slowHookDone || lateHookThread == 0;
        secondMade = true;
    });
    std::printf("child: queued during the first construction=%d\n", WaitUpTo(5000, [] { return queued.load(); }));
    // Gives a second construction that does not wait the chance to finish.
    WaitUpTo(200, [] { return secondMade.load(); });
    slowHookDone = true;
}

int Scenario() {
    VolSysCallOnFirstThread(SlowHook);
    VolThreads first("first", nullptr);
    queuer.join();
    constructor.join();
    std::printf("child: second construction went on too early=%d\n", secondWentOnTooEarly.load());
    std::printf("child: late hook on the constructing thread=%d\n", lateHookThread == VolThreads::GetCurrentThreadId());
    VolThreads* main = VolThreads::GetMainThread();
    std::printf("child: main object is this thread's=%d\n",
                main && main->GetThreadId() == VolThreads::GetCurrentThreadId());
    return 0;
}
}  // namespace first_construction_race

// A queued function starts a thread object whose thread constructs one of its own, and joins it:
// that thread is part of the first construction and must not wait for it to complete. A watchdog
// ends the child if it hangs.
namespace first_construction_helper {
std::atomic<bool> helperConstructed{false};
std::atomic<bool> finished{false};

long ConstructAnother(void*) {
    VolThreads another("made by the helper", nullptr);
    helperConstructed = true;
    return 0;
}

void StartAndJoinHelper() {
    VolThreads helper("helper", nullptr);
    helper.SetFunction(ConstructAnother);
    if (helper.Run() == 0) helper.Join();
}

int Scenario() {
    TestThread watchdog([] {
        for (int waited = 0; waited < 10000 && !finished; waited += 5) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (finished) return;
        Say("first construction hung");
        std::_Exit(3);
    });
    VolSysCallOnFirstThread(StartAndJoinHelper);
    VolThreads first("first", nullptr);
    finished = true;
    watchdog.join();
    std::printf("child: helper constructed=%d\n", helperConstructed.load());
    return 0;
}
}  // namespace first_construction_helper

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const struct {
        const char* name;
        int (*run)();
    } scenarios[] = {
        {"mutex", MutexScenario},
        {"join-without-thread", JoinWithoutThreadScenario},
        {"thread-run", ThreadRunScenario},
        {"long-message", LongMessageScenario},
        {"burst", BurstScenario},
        {"multithreading", MultiThreadingScenario},
        {"first-thread", FirstThreadScenario},
        {"first-construction-race", first_construction_race::Scenario},
        {"first-construction-helper", first_construction_helper::Scenario},
    };
    for (const auto& scenario : scenarios) {
        if (std::strcmp(argv[1], scenario.name) == 0) return scenario.run();
    }
    return 2;
}
