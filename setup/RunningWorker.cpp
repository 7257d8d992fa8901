#include "setup/RunningWorker.h"

#include "threads/VolMutex.h"
#include "threads/VolMutexUntraced.h"
#include "threads/VolWaitingPoint.h"

namespace {

// Signalled while no worker is registered.
struct WorkerCount {
    VolMutex lock;
    VolWaitingPoint noneRunning{0, 0};
    int running = 0;
};

WorkerCount& Workers() {
    // Never destroyed: a worker may unregister while the process is ending.
    static WorkerCount& workers = *new WorkerCount;
    return workers;
}

}  // namespace

void RegisterRunningWorker() {
    WorkerCount& workers = Workers();
    VolMutexUntracedHold guard(workers.lock);
    if (workers.running++ == 0) workers.noneRunning.Reset();
}

void UnregisterRunningWorker() {
    WorkerCount& workers = Workers();
    VolMutexUntracedHold guard(workers.lock);
    if (workers.running > 0 && --workers.running == 0) workers.noneRunning.Broadcast();
}

bool WaitForRunningWorkers(int milliseconds) {
    return Workers().noneRunning.Wait(milliseconds) == 0;
}
