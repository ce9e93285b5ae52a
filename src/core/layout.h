#pragma once

// The window as designed, in window pixels from the top-left corner of its
// client area: the pictures, texts and buttons, the 23 names in two columns,
// the places where placed names show, and the 66 map regions that decide
// which country a drop lands on.

#include <array>

namespace drillix {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;

    int right() const { return x + width; }
    int bottom() const { return y + height; }
    // Edges lie on whole pixels; a point on the left or top edge is inside.
    bool contains(double px, double py) const { return px >= x && px < right() && py >= y && py < bottom(); }
    friend bool operator==(const Rect &, const Rect &) = default;
};

struct TextStyle {
    const char *family;
    int pixelSize;
    bool bold;
};

// A country's area of the map, or the place where its name shows once placed.
struct MapPlace {
    const char *country;
    Rect rect;
};

inline constexpr int kNameCount = 23;
inline constexpr int kRegionCount = 66;

namespace layout {

inline constexpr int kWindowWidth = 1047;
inline constexpr int kWindowHeight = 665;
inline constexpr TextStyle kWindowFont{"Arial", 12, true};

inline constexpr Rect kMapPicture{-52, -40, 764, 705};   // drawn at its own size
inline constexpr Rect kPanelPicture{712, 0, 335, 668};   // stretched to fill
inline constexpr Rect kHeading{722, 24, 119, 17};
inline constexpr Rect kInstructions{722, 42, 263, 51};
inline constexpr Rect kRestartButton{720, 600, 156, 27};
inline constexpr Rect kExitButton{883, 600, 156, 27};
// Off the client area, and hidden: it is kept for skins that select it.
inline constexpr Rect kFocusHolder{1056, 128, 73, 29};

inline constexpr TextStyle kHeadingFont{"Arial", 11, true};
inline constexpr TextStyle kInstructionsFont{"Arial", 11, false};
inline constexpr TextStyle kButtonFont{"Arial", 15, true};
inline constexpr TextStyle kNameFont{"Arial", 15, true};
// Placed names show bold; the design's placeholder is not.
inline constexpr TextStyle kAnswerFont{"Arial Narrow", 11, false};

inline constexpr const char *kHeadingText = "INSTRUCTIONS";
inline constexpr const char *kInstructionsText = "DRAG EACH COUNTRY NAME TO ITS PROPER PLACE ON THE MAP";
inline constexpr const char *kRestartText = "Restart";
inline constexpr const char *kExitText = "Exit";
inline constexpr const char *kFocusHolderText = "Text1";
// What a name and an answer show before anything is read or placed.
inline constexpr const char *kNamePlaceholder = "Label3";
inline constexpr const char *kAnswerPlaceholder = "*************";

// The pin's point, where a drop lands while it is the pointer.
inline constexpr int kPinHotSpotX = 3;
inline constexpr int kPinHotSpotY = 29;

// Names stand in two columns of 13 and 10, 14 pixels apart; each is 19 high,
// so neighbours overlap.
Rect nameRect(int index);

// Answer places, in the alphabetical order of the countries.
extern const std::array<MapPlace, kNameCount> kAnswerPlaces;
// Map regions: rectangles over the countries, several to a country.
extern const std::array<MapPlace, kRegionCount> kRegions;

} // namespace layout
} // namespace drillix
