#pragma once

#include <cstdint>

namespace drillix {

// A colour reference as 0x00BBGGRR. With the top bit set the low byte names
// a system colour instead, which the front end resolves from its palette.
using Colour = std::uint32_t;

inline constexpr Colour kWhite = 0x00FFFFFF;
inline constexpr Colour kBlack = 0x00000000;
inline constexpr Colour kSystemButtonFace = 0x8000000F;
inline constexpr Colour kSystemButtonText = 0x80000012;

inline constexpr bool isSystemColour(Colour c) { return (c & 0x80000000u) != 0; }

} // namespace drillix
