#include "setup/DownloadSlices.h"

namespace download_slices {
namespace {

void SkipBlanks(std::string_view& text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
}

// A non-negative decimal number that fits 63 bits, at the start of `text`.
std::optional<std::int64_t> TakeNumber(std::string_view& text) {
    SkipBlanks(text);
    std::int64_t value = 0;
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        int digit = text[digits] - '0';
        if (value > (INT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    text.remove_prefix(digits);
    SkipBlanks(text);
    return value;
}

bool TakeChar(std::string_view& text, char expected) {
    if (text.empty() || text.front() != expected) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

std::optional<ContentRange> ParseContentRange(std::string_view value) {
    SkipBlanks(value);
    constexpr std::string_view kUnit = "bytes";
    if (value.substr(0, kUnit.size()) != kUnit) return std::nullopt;
    value.remove_prefix(kUnit.size());
    ContentRange range;
    auto first = TakeNumber(value);
    if (!first || !TakeChar(value, '-')) return std::nullopt;
    auto last = TakeNumber(value);
    if (!last || !TakeChar(value, '/')) return std::nullopt;
    auto total = TakeNumber(value);
    if (!total || !value.empty() || *last < *first) return std::nullopt;
    range.first = *first;
    range.last = *last;
    range.total = *total;
    return range;
}

std::int32_t ProgressRange(std::int64_t bytesLeftAfterFirst) {
    std::int64_t range = bytesLeftAfterFirst / kSliceBytes - 1;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(range)));
}

std::uint32_t NextSliceCount(std::int64_t bytesLeft) {
    return bytesLeft < kSliceBytes ? static_cast<std::uint32_t>(bytesLeft) : kSliceBytes;
}

}  // namespace download_slices
