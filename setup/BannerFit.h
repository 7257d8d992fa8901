#pragma once
#include <algorithm>
#include <cstdint>

// The size a banner is drawn at in its place on the dialog. The dialog's sizes are in dialog units,
// which follow the font the language's system gives "MS Shell Dlg" at the screen's pixel density;
// the banner is drawn for a screen of 96 pixels per inch, where it fills its place with the Western
// font, and grows with the density (BannerSizeOnScreen). It is drawn at that size whenever it fits,
// and otherwise scaled down, keeping its proportions, so that it never covers the controls around
// its place (FitBanner).
struct PixelSize {
    std::int32_t width;
    std::int32_t height;
};

constexpr std::int64_t kHimetricPerInch = 2540;    // HIMETRIC units are 0.01 mm
constexpr std::int32_t kBannerPixelsPerInch = 96;  // the density the banner is drawn for

// A length in HIMETRIC units in pixels at a density: (pixels per inch x HIMETRIC + 1270) / 2540.
inline std::int32_t HimetricToPixels(std::int64_t himetric, std::int32_t pixelsPerInch) {
    return static_cast<std::int32_t>((pixelsPerInch * himetric + kHimetricPerInch / 2) / kHimetricPerInch);
}

// The size on a screen of the densities given of a banner of `pixels`. Its size in HIMETRIC is its
// size at the density it is drawn for, turned into pixels at the screen's. (The size a picture
// object reports is no use here: it is taken at the screen's density when the picture is loaded, so
// it gives back the picture's pixels at any density.)
inline PixelSize BannerSizeOnScreen(PixelSize pixels, std::int32_t pixelsPerInchX, std::int32_t pixelsPerInchY) {
    auto onScreen = [](std::int32_t length, std::int32_t pixelsPerInch) {
        const std::int64_t himetric = length * kHimetricPerInch / kBannerPixelsPerInch;
        return HimetricToPixels(himetric, pixelsPerInch);
    };
    return {onScreen(pixels.width, pixelsPerInchX), onScreen(pixels.height, pixelsPerInchY)};
}

inline PixelSize FitBanner(PixelSize natural, PixelSize room) {
    if (natural.width <= 0 || natural.height <= 0) return {0, 0};
    if (natural.width <= room.width && natural.height <= room.height) return natural;
    if (room.width <= 0 || room.height <= 0) return {0, 0};
    // Scale by the smaller of the two ratios, compared without rounding: w_r / w_n < h_r / h_n.
    const std::int64_t widthRoom = room.width, heightRoom = room.height;
    const bool widthBinds = widthRoom * natural.height <= heightRoom * natural.width;
    if (widthBinds) {
        auto height = static_cast<std::int32_t>(widthRoom * natural.height / natural.width);
        return {room.width, std::max<std::int32_t>(height, 1)};
    }
    auto width = static_cast<std::int32_t>(heightRoom * natural.width / natural.height);
    return {std::max<std::int32_t>(width, 1), room.height};
}
