#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The arithmetic and the parsing of a package download in slices, apart from any I/O.
namespace download_slices {

// Every request asks for at most one slice; the progress unit is one slice.
inline constexpr std::uint32_t kSliceBytes = 524288;
// A later slice answered with no bytes is asked again at most this many times.
inline constexpr int kEmptySliceRetries = 3;

// A Content-Range value "bytes first-last/total" (blanks around the parts allowed).
struct ContentRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t total = 0;
};
// nullopt when the value lacks the unit, a part, the "/" or a decimal total ("*" included).
std::optional<ContentRange> ParseContentRange(std::string_view value);

// The last progress position the dialog will see: the bytes still to fetch after the first slice
// in whole slices, minus one, cut to 32 bits as the window message carries it.
std::int32_t ProgressRange(std::int64_t bytesLeftAfterFirst);

// How many bytes the next request asks for.
std::uint32_t NextSliceCount(std::int64_t bytesLeft);

}  // namespace download_slices
