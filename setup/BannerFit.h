#pragma once
#include <algorithm>
#include <cstdint>

// The size a banner is drawn at in its place on the dialog. The dialog's sizes are in dialog units,
// which follow the font the language's system gives "MS Shell Dlg", while the picture has a fixed
// pixel size: it is drawn at that size whenever it fits, and otherwise scaled down, keeping its
// proportions, so that it never covers the controls around its place.
struct PixelSize {
    std::int32_t width;
    std::int32_t height;
};

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
