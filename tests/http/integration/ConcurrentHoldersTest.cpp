// Holders on several threads at once, as a setup with more than one download thread would have
// them: the first constructions race for the process-wide start-up (socket library, proxy
// setting) and each download must still come back whole.
#include <gtest/gtest.h>

#include <vector>

#include "http/HttpDriverHolder.h"
#include "tests/http/integration/TestServers.h"
#include "tests/support/TestThread.h"

namespace {

TEST(ConcurrentHolders, EachThreadDownloadsItsOwnFileWhole) {
    REQUIRE_SERVERS();
    const TestServers& servers = TestServers::Get();
    const std::string expected = servers.FileContents("three-slices.bin");
    const std::string url = servers.Nginx("/three-slices.bin");
    ScopedEnvironment environment(std::map<std::wstring, std::wstring>{{L"HTTPDriver", L"1"}});

    constexpr int kThreads = 4;
    std::vector<std::string> received(kThreads);
    std::vector<int32_t> failures(kThreads, 0);
    std::vector<TestThread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            HttpDriverHolder holder(nullptr, 1, 1);
            for (int slice = 0; slice < 8 && received[t].size() < expected.size(); ++slice) {
                uint32_t count = static_cast<uint32_t>(std::min<size_t>(0x80000, expected.size() - received[t].size()));
                HttpOwnedBuffer body;
                int32_t keepAlive = 0;
                int32_t result = holder.GetRange(url.c_str(), 1, 0, static_cast<uint32_t>(received[t].size()), count,
                                                 &body.data, &body.length, &keepAlive);
                if (result != 0) {
                    failures[t] = result;
                    return;
                }
                received[t].append(body.data, body.length);
            }
        });
    }
    for (TestThread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << t;
        EXPECT_TRUE(received[t] == expected) << t;
    }
}

}  // namespace
