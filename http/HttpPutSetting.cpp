#include "http/HttpPutSetting.h"

#include <atomic>

#include "platform/Services.h"

namespace {
constexpr int kUnknown = -1;
std::atomic<int> putConfigured{kUnknown};
}  // namespace

bool HttpPutConfigured() {
    int known = putConfigured.load(std::memory_order_acquire);
    if (known == kUnknown) {
        platform::Environment* environment = platform::Os().environment;
        known = environment != nullptr && environment->Get(L"VolHTTPPUT").has_value() ? 1 : 0;
        putConfigured.store(known, std::memory_order_release);
    }
    return known == 1;
}

void HttpForgetPutSetting() { putConfigured.store(kUnknown, std::memory_order_release); }
