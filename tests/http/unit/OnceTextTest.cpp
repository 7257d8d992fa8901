// The process-wide text read once (the WinINet driver's computer name), asked for by two threads
// at once.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include "tests/support/TestThread.h"

#include "http/OnceText.h"

namespace {

TEST(OnceText, FilledOnceWhenTwoThreadsAskTogether) {
    for (int round = 0; round < 200; ++round) {
        OnceText<16> text;
        std::atomic<int> fills{0};
        std::atomic<bool> go{false};
        auto fill = [&](char* buffer, size_t capacity) {
            fills.fetch_add(1);
            std::strncpy(buffer, "KORVO-PC", capacity - 1);
            return true;
        };
        std::string seen[2];
        auto ask = [&](int who) {
            while (!go.load()) {}
            const char* name = text.Get(fill);
            seen[who] = name != nullptr ? name : "(none)";
        };
        TestThread first(ask, 0), second(ask, 1);
        go.store(true);
        first.join();
        second.join();
        ASSERT_EQ(fills.load(), 1) << "round " << round;
        EXPECT_EQ(seen[0], "KORVO-PC");
        EXPECT_EQ(seen[1], "KORVO-PC");
    }
}

TEST(OnceText, AFailedFillIsTriedAgain) {
    OnceText<16> text;
    int calls = 0;
    EXPECT_EQ(text.Get([&](char*, size_t) { return ++calls > 1; }), nullptr);
    EXPECT_NE(text.Get([&](char*, size_t) { return ++calls > 1; }), nullptr);
    EXPECT_EQ(calls, 2);
}

}  // namespace
