#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/CookieJar.h"
#include "http/HttpMemory.h"
#include "http/HttpStatus.h"
#include "tests/support/TestThread.h"

// Storing and looking up from several threads at once: every lookup sees a whole cookie line and
// every stored cookie is there at the end.
TEST(CookieJarConcurrency, StoresAndLookupsFromManyThreads) {
    constexpr int kThreads = 4;
    constexpr int kCookiesPerThread = 50;
    std::vector<TestThread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            std::string url = "http://concurrent" + std::to_string(t) + ".example/dir/file";
            for (int i = 0; i < kCookiesPerThread; ++i) {
                std::string cookie = "c" + std::to_string(i) + "=" + std::to_string(t) + "; path=/dir";
                EXPECT_EQ(StoreCookie(url.c_str(), cookie.c_str()), kHttpOk);
                char* header = nullptr;
                ASSERT_EQ(CookieHeaderFor(url.c_str(), nullptr, &header, 1), kHttpOk);
                std::string line = header;
                HttpFree(header);
                EXPECT_EQ(line.rfind("Cookie: c0=", 0), 0u) << line;
                EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        std::string url = "http://concurrent" + std::to_string(t) + ".example/dir/x";
        char* header = nullptr;
        ASSERT_EQ(CookieHeaderFor(url.c_str(), nullptr, &header, 0), kHttpOk);
        std::string line = header;
        HttpFree(header);
        for (int i = 0; i < kCookiesPerThread; ++i) {
            EXPECT_NE(line.find("c" + std::to_string(i) + "=" + std::to_string(t) + ";"), std::string::npos);
        }
    }
}
