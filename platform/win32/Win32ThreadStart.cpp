#include <windows.h>
#include <process.h>

#include <cstdint>
#include <new>

#include "platform/ThreadStart.h"

namespace platform {
namespace {

struct ThreadStart {
    DetachedThreadEntry entry;
    void* argument;
};

unsigned __stdcall RunThread(void* raw) {
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    start.entry(start.argument);
    return 0;
}

}  // namespace

bool StartDetachedThread(DetachedThreadEntry entry, void* argument) {
    ThreadStart* start = new (std::nothrow) ThreadStart{entry, argument};
    if (start == nullptr) return false;
    // The C runtime's own thread start, so the runtime's per-thread data is set up and freed.
    std::uintptr_t thread = _beginthreadex(nullptr, 0, &RunThread, start, 0, nullptr);
    if (thread == 0) {
        delete start;
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}

}  // namespace platform
