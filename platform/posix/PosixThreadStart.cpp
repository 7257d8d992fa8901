#include <pthread.h>

#include <new>

#include "platform/ThreadStart.h"

namespace platform {
namespace {

struct ThreadStart {
    DetachedThreadEntry entry;
    void* argument;
};

void* RunThread(void* raw) {
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    start.entry(start.argument);
    return nullptr;
}

}  // namespace

bool StartDetachedThread(DetachedThreadEntry entry, void* argument) {
    ThreadStart* start = new (std::nothrow) ThreadStart{entry, argument};
    if (start == nullptr) return false;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    int error = pthread_create(&thread, &attributes, &RunThread, start);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete start;
        return false;
    }
    return true;
}

}  // namespace platform
