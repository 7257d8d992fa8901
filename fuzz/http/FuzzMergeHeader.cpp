#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/http/FuzzDriver.h"

// MergeHeaderLine: the input is "<modifier byte><existing block>\0<line>".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const uint32_t kModifiers[] = {kHttpAddReqCoalesceComma, kHttpAddReqCoalesceSemicolon, kHttpAddReqReplace,
                                          0};
    uint32_t modifiers = kModifiers[data[0] & 3];
    std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    size_t split = rest.find('\0');
    std::string existing = rest.substr(0, split);
    std::string line = split == std::string::npos ? std::string() : std::string(rest.substr(split + 1).c_str());

    FuzzDriver driver(nullptr, 0, 1);
    char* block = existing.empty() ? nullptr : HttpDuplicate(existing.data(), existing.size());
    uint32_t length = static_cast<uint32_t>(existing.size());
    int32_t result = driver.MergeHeaderLine(line.c_str(), modifiers, &length, &block);
    if (result == kHttpOk) {
        if (block == nullptr || block[length] != '\0') __builtin_trap();
        if (length < existing.size() || length > existing.size() + line.size() + 2) __builtin_trap();
    } else if (length != existing.size()) {
        __builtin_trap();  // a failed merge leaves the block alone
    }
    HttpFree(block);
    return 0;
}
