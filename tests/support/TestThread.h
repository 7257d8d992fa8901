#pragma once
// A thread that a test starts, with the std::thread interface the tests use. The Windows builds use
// MinGW's win32 thread model (the shipping program must not need the POSIX-model runtime), whose
// standard library has no std::thread; tests start their threads through this instead, which also
// keeps them clear of the threading library under test. Unlike std::thread, a thread still joinable
// when destroyed is joined rather than ending the process.
#include <functional>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

class TestThread {
public:
    TestThread();
    // Calls function(args...) on a new thread; std::ref passes an argument by reference.
    template <typename Function, typename... Args,
              typename = std::enable_if_t<!std::is_same_v<std::decay_t<Function>, TestThread>>>
    explicit TestThread(Function&& function, Args&&... args)
        : TestThread(std::function<void()>(
              [call = std::forward<Function>(function),
               arguments = std::make_tuple(std::forward<Args>(args)...)]() mutable { std::apply(call, arguments); })) {}
    explicit TestThread(std::function<void()> body);
    TestThread(TestThread&&) noexcept;
    TestThread& operator=(TestThread&&) noexcept;
    ~TestThread();

    bool joinable() const { return running_ != nullptr; }
    void join();

private:
    struct Running;
    std::unique_ptr<Running> running_;
};
