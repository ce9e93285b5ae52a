#pragma once

#include <cstdint>

namespace drillix {

// The window's layout is stored for 96 dots per inch: 15 twips to a pixel.
inline constexpr int kTwipsPerPixel = 15;

// A control's rectangle in twips. Edges are signed 16-bit as stored; a
// control may begin beyond the client area's left or top edge.
struct TwipRect {
    std::int16_t left = 0;
    std::int16_t top = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;

    // Half-open: the right and bottom edges belong to the neighbour.
    bool contains(int x, int y) const
    {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
    int right() const { return left + width; }
    int bottom() const { return top + height; }

    friend bool operator==(const TwipRect &, const TwipRect &) = default;
};

} // namespace drillix
