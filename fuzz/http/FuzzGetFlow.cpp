#include <cstdint>

#include "fuzz/http/FuzzDriver.h"

// A whole Get (and a Head) against a server that always answers with the fuzzer's bytes: status
// line, headers, Set-Cookie, redirects, challenges and the body together.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t piece = 1 + (data[0] & 0x1F);
    uint32_t flags = (data[0] & 0x20) != 0 ? kHttpFlagNoFollow301 : 0;
    FuzzDriver driver(data + 1, size - 1, piece);
    char* body = nullptr;
    uint32_t length = 0;
    int32_t result = (data[0] & 0x40) != 0
                         ? driver.Get("http://fuzz.example/a/b", flags, HttpDiscardBody(), HttpDiscardLength(), nullptr)
                         : driver.Get("http://fuzz.example/a/b", flags, &body, &length, nullptr);
    if (result != kHttpOk && body != nullptr) __builtin_trap();
    if (body != nullptr && body[length] != '\0') __builtin_trap();
    HttpFree(body);
    if ((data[0] & 0x80) != 0) {
        HttpFileStatus record{};
        driver.Head("http://fuzz.example/a/b", flags, &record);
    }
    return 0;
}
