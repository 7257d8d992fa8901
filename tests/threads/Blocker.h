#pragma once
// The thread function of the blocking thread tests: says it runs, then waits until released.
#include "threads/VolWaitingPoint.h"

#include <atomic>
#include <vector>

struct Blocker {
    VolWaitingPoint release{0, -1};
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    static long Function(void* raw) {
        auto* self = static_cast<Blocker*>(raw);
        self->inside = true;
        self->release.Wait(-1);
        self->finished = true;
        return 11;
    }
};

// A terminated thread's stack may still refer to its blocker afterwards, so those blockers live on
// (reachable from here) until the process ends.
inline Blocker* BlockerForTerminatedThread() {
    static auto* kept = new std::vector<Blocker*>;
    kept->push_back(new Blocker);
    return kept->back();
}
