#pragma once
#include <atomic>
#include <cstddef>

// A short text of the process (the computer name) read once, whichever thread asks first: one
// thread fills it, the others wait for that fill instead of writing a copy of their own. Constant-
// initialised, so that it can live in static storage without a start-up order.
template <size_t Capacity>
class OnceText {
public:
    constexpr OnceText() = default;

    // The text; fill(buffer, Capacity) reads it and returns false on failure, in which case the
    // next call tries again. Null when the fill failed.
    template <typename Fill>
    const char* Get(Fill fill) {
        int state = state_.load(std::memory_order_acquire);
        if (state == kReady) return text_;
        int expected = kEmpty;
        if (state_.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) {
            bool filled = fill(text_, Capacity);
            state_.store(filled ? kReady : kEmpty, std::memory_order_release);
            return filled ? text_ : nullptr;
        }
        // Another thread is filling it: a system call of microseconds.
        while ((state = state_.load(std::memory_order_acquire)) == kFilling) {}
        return state == kReady ? text_ : nullptr;
    }

private:
    static constexpr int kEmpty = 0;
    static constexpr int kFilling = 1;
    static constexpr int kReady = 2;

    std::atomic<int> state_{kEmpty};
    char text_[Capacity] = {};
};
