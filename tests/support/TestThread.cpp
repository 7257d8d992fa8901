#include "tests/support/TestThread.h"

#include <cstdlib>

#ifdef _WIN32
#include <process.h>
#include <windows.h>

struct TestThread::Running {
    std::function<void()> body;
    HANDLE handle = nullptr;

    static unsigned __stdcall Main(void* self) {
        static_cast<Running*>(self)->body();
        return 0;
    }
    void Start() {
        handle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Main, this, 0, nullptr));
        if (!handle) std::abort();  // a test that cannot start its threads cannot say anything
    }
    void Join() {
        WaitForSingleObject(handle, INFINITE);
        CloseHandle(handle);
    }
};
#else
#include <thread>

struct TestThread::Running {
    std::function<void()> body;
    std::thread thread;

    void Start() { thread = std::thread(body); }
    void Join() { thread.join(); }
};
#endif

TestThread::TestThread(std::function<void()> body) : running_(new Running) {
    running_->body = std::move(body);
    running_->Start();
}

TestThread::TestThread() = default;
TestThread::TestThread(TestThread&&) noexcept = default;

TestThread& TestThread::operator=(TestThread&& other) noexcept {
    if (this != &other) {
        if (joinable()) join();
        running_ = std::move(other.running_);
    }
    return *this;
}

TestThread::~TestThread() {
    if (joinable()) join();
}

void TestThread::join() {
    if (!running_) std::abort();  // as std::thread: joining a thread that is not running is a bug
    running_->Join();
    running_.reset();
}
