#include <cstdint>
#include <string>

#include "http/CookieJar.h"
#include "http/HttpMemory.h"
#include "http/HttpStatus.h"

// StoreCookie and CookieHeaderFor: the input is "<url>\n<Set-Cookie value>\n<lookup url>".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t first = text.find('\n');
    if (first == std::string::npos) return 0;
    size_t second = text.find('\n', first + 1);
    if (second == std::string::npos) second = text.size();
    std::string url = text.substr(0, first).c_str();
    std::string value = text.substr(first + 1, second - first - 1).c_str();
    std::string lookup = second < text.size() ? std::string(text.substr(second + 1).c_str()) : url;

    StoreCookie(url.c_str(), value.c_str());
    for (const std::string* target : {&url, &lookup}) {
        for (int32_t prefix = 0; prefix <= 1; ++prefix) {
            char* header = nullptr;
            int32_t result = CookieHeaderFor(target->c_str(), nullptr, &header, prefix);
            if ((result == kHttpOk) != (header != nullptr)) __builtin_trap();
            HttpFree(header);
        }
    }
    return 0;
}
