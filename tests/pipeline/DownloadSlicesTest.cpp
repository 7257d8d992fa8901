// The pure parts of a download in slices: the Content-Range value, the progress range and the size
// of each request.
#include <gtest/gtest.h>

#include "setup/DownloadSlices.h"

namespace {

using namespace download_slices;

TEST(DownloadSlices, ContentRangeValues) {
    struct Case {
        const char* value;
        bool valid;
        std::int64_t first, last, total;
    };
    const Case cases[] = {
        {"bytes 0-524287/524289", true, 0, 524287, 524289},
        {"bytes 524288-524288/524289", true, 524288, 524288, 524289},
        {"  bytes 0-9/10  ", true, 0, 9, 10},
        {"bytes 0-524287/6442450944", true, 0, 524287, 6442450944},  // beyond 32 bits, kept whole
        {"bytes 0-524287", false, 0, 0, 0},                          // no "/"
        {"bytes 0-524287/", false, 0, 0, 0},
        {"bytes 0-524287/abc", false, 0, 0, 0},
        {"bytes 0-524287/*", false, 0, 0, 0},
        {"bytes 0-524287/12x", false, 0, 0, 0},
        {"bytes */1000", false, 0, 0, 0},
        {"items 0-9/10", false, 0, 0, 0},
        {"bytes 9-0/10", false, 0, 0, 0},
        {"bytes 0-9/99999999999999999999", false, 0, 0, 0},  // does not fit 63 bits
        {"", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        auto range = ParseContentRange(c.value);
        ASSERT_EQ(range.has_value(), c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(range->first, c.first);
        EXPECT_EQ(range->last, c.last);
        EXPECT_EQ(range->total, c.total);
    }
}

TEST(DownloadSlices, ProgressRangeAndRequestSizes) {
    struct Case {
        std::int64_t left;
        std::int32_t range;
        std::uint32_t nextCount;
    };
    const Case cases[] = {
        {0, -1, 0},  // one slice was the whole file
        {1, -1, 1},  // 524289 bytes
        {524287, -1, 524287},
        {524288, 0, 524288},
        {2 * 524288, 1, 524288},  // three slices
        {(std::int64_t{1} << 32) - 524288, 8190, 524288},
        {(std::int64_t{1} << 51) + 524288, 0, 524288},  // 2^32 slices: cut to 32 bits as the message carries it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left);
        EXPECT_EQ(ProgressRange(c.left), c.range);
        EXPECT_EQ(NextSliceCount(c.left), c.nextCount);
    }
}

}  // namespace
