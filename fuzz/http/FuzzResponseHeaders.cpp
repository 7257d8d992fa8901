#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/http/FuzzDriver.h"

// ParseResponseHeaders on any bytes, with the flags and method chosen by the first byte.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    uint8_t choice = data[0];
    std::string headers(reinterpret_cast<const char*>(data) + 1, size - 1);
    FuzzDriver driver(nullptr, 0, 1);
    const char* method = (choice & 1) != 0 ? "HEAD" : "GET";
    uint32_t flags = (choice & 2) != 0 ? kHttpFlagNoAuthentication : 0;
    int32_t minor = 0, status = 0, chunked = 0, keepAlive = 0, hasBody = 0, notPlain = 0;
    uint32_t contentLength = 0;
    char* location = nullptr;
    int32_t result = driver.ParseResponseHeaders("http://h/", method, headers.data(),
                                                 static_cast<uint32_t>(headers.size()), &minor, &status, &contentLength,
                                                 &chunked, &keepAlive, &location, &hasBody, &notPlain, flags);
    if (result == kHttpOk) {
        if (status < 100 || status > 999) __builtin_trap();
        // A body is never longer than the client accepts; a length without a body is only reported.
        if (hasBody != 0 && chunked == 0 && contentLength > kHttpMaxBodyLength) __builtin_trap();
        if (location != nullptr && std::strlen(location) > headers.size()) __builtin_trap();
    } else if (location != nullptr) {
        __builtin_trap();  // a failed parse hands nothing back
    }
    HttpFree(location);
    return 0;
}
