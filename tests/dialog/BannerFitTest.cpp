// The banner's drawn size: grown with the screen's pixel density, then fitted into a placeholder that
// the density and the language's font made smaller or larger.
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

TEST(BannerFit, APictureObjectsOwnSizeGivesBackItsPixelsAtAnyDensity) {
    // The HIMETRIC size a picture object reports is taken at the screen's density when it is loaded.
    for (std::int32_t pixelsPerInch : {96, 120, 144, 192}) {
        const std::int64_t himetric = 411 * kHimetricPerInch / pixelsPerInch;
        EXPECT_EQ(HimetricToPixels(himetric, pixelsPerInch), 411) << pixelsPerInch;
    }
}

TEST(BannerFit, TheBannerGrowsWithTheDensityAndFillsThePlaceholderThere) {
    const PixelSize banner{411, 239};
    const struct {
        std::int32_t pixelsPerInch;
        PixelSize onScreen, placeholder, drawn;
    } cases[] = {
        {96, {411, 239}, {411, 239}, {411, 239}},   // drawn for this density: unchanged
        {120, {514, 299}, {514, 299}, {514, 299}},  // 125 %
        {144, {616, 358}, {617, 349}, {600, 349}},  // 150 %, Wine's Tahoma: a placeholder a little flatter
        {192, {822, 478}, {822, 459}, {789, 459}},  // 200 %, the same
        {144, {616, 358}, {685, 312}, {536, 312}},  // 150 %, the Japanese font: wider and flatter
    };
    for (const auto& c : cases) {
        PixelSize onScreen = BannerSizeOnScreen(banner, c.pixelsPerInch, c.pixelsPerInch);
        EXPECT_EQ(onScreen.width, c.onScreen.width) << c.pixelsPerInch;
        EXPECT_EQ(onScreen.height, c.onScreen.height) << c.pixelsPerInch;
        PixelSize drawn = FitBanner(onScreen, c.placeholder);
        EXPECT_EQ(drawn.width, c.drawn.width) << c.pixelsPerInch;
        EXPECT_EQ(drawn.height, c.drawn.height) << c.pixelsPerInch;
    }
    // Each direction at its own density.
    PixelSize wide = BannerSizeOnScreen(banner, 192, 96);
    EXPECT_EQ(wide.width, 822);
    EXPECT_EQ(wide.height, 239);
}

}  // namespace
