#pragma once

#include <array>
#include <cstdint>

namespace drillix {

inline constexpr int kRegionCount = 66;
inline constexpr int kCountryCount = 23;

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

// The map regions (`regions` 0 to 65): rectangles laid over the countries of
// the map picture, each tagged with the exact name of its country.
extern const std::array<RegionRow, kRegionCount> kRegionTable;
// The answer nameLabels (`answerLabels` 0 to 22), in the alphabetical order of the
// countries they belong to.
extern const std::array<AnswerLabelRow, kCountryCount> kAnswerLabelTable;

} // namespace drillix
