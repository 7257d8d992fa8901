// The banner's drawn size in a placeholder that another language's font made smaller or larger.
#include <gtest/gtest.h>

#include "setup/BannerFit.h"

namespace {

TEST(BannerFit, NaturalSizeWhenItFitsOtherwiseScaledDownInProportion) {
    const struct {
        PixelSize natural, room, drawn;
    } cases[] = {
        {{411, 239}, {411, 239}, {411, 239}},                    // the placeholder at 96 DPI with the Western font
        {{411, 239}, {500, 300}, {411, 239}},                    // more room: never enlarged
        {{411, 239}, {480, 230}, {395, 230}},                    // a shorter placeholder: the height binds
        {{411, 239}, {300, 400}, {300, 174}},                    // a narrower one: the width binds
        {{411, 239}, {205, 1}, {1, 1}},                          // a sliver still draws a pixel, never nothing
        {{411, 239}, {0, 239}, {0, 0}},                          // no room at all
        {{0, 239}, {411, 239}, {0, 0}},                          // an empty picture
        {{2000000000, 2000000000}, {1000, 1000}, {1000, 1000}},  // no overflow on huge pictures
    };
    for (const auto& c : cases) {
        PixelSize drawn = FitBanner(c.natural, c.room);
        EXPECT_EQ(drawn.width, c.drawn.width) << c.room.width << "x" << c.room.height;
        EXPECT_EQ(drawn.height, c.drawn.height) << c.room.width << "x" << c.room.height;
    }
}

}  // namespace
