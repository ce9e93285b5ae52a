#pragma once

// The program's map tables in twips (15 to a window pixel), the unit of the
// map generator and of map.json, and the program's own hit test at a twip.

#include "core/layout.h"
#include "core/quiz.h"

#include <array>
#include <cstdint>

namespace drillix {

inline constexpr int kTwipsPerPixel = 15;

struct RegionRow {
    int index;
    const char *tag;
    std::int16_t left, top, width, height;
};

struct AnswerLabelRow {
    int index;
    const char *country;
    std::int16_t left, top, width, height;
};

template<class Row, std::size_t N>
std::array<Row, N> inTwips(const std::array<MapPlace, N> &places)
{
    std::array<Row, N> rows{};
    for (std::size_t i = 0; i < N; ++i) {
        const Rect &r = places[i].rect;
        rows[i] = Row{int(i), places[i].country, std::int16_t(r.x * kTwipsPerPixel), std::int16_t(r.y * kTwipsPerPixel),
                      std::int16_t(r.width * kTwipsPerPixel), std::int16_t(r.height * kTwipsPerPixel)};
    }
    return rows;
}

inline const std::array<RegionRow, kRegionCount> kRegionTable = inTwips<RegionRow>(layout::kRegions);
inline const std::array<AnswerLabelRow, kNameCount> kAnswerLabelTable = inTwips<AnswerLabelRow>(layout::kAnswerPlaces);

namespace mapdump {

// The region whose drop target takes a drop at this twip, or -1.
inline int dropRegion(int twipX, int twipY)
{
    return Quiz::regionAt(double(twipX) / kTwipsPerPixel, double(twipY) / kTwipsPerPixel);
}

// The same at the centre of a window pixel, as the window places a drop at
// scale 1.
inline int dropRegionAtPixel(int x, int y)
{
    return Quiz::regionAt(x + 0.5, y + 0.5);
}

} // namespace mapdump
} // namespace drillix
