#pragma once

// Measures how well the map picture fits the drop regions: for each quiz
// country, how much of what the player sees of it sends a drop to a region
// of that country. Reads the id image and legend that tools/map/generate.mjs
// writes, and checks the committed JPEG pictures' format.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class QImage;

namespace mapcheck {

// The map picture, and the part of it the window shows.
inline constexpr int kPictureWidth = 764;
inline constexpr int kPictureHeight = 705;
inline constexpr int kVisibleLeft = 52; // picture pixel at window pixel 0
inline constexpr int kVisibleTop = 40;

// Targets the map must keep.
inline constexpr double kMinimumMean = 0.85;
inline constexpr double kMinimumCountry = 0.70;
inline constexpr int kSingaporeRegion = 45;

// Bad input files: the message says which file and what is wrong.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Rgb {
    int r = 0, g = 0, b = 0;
};

struct Marker {
    double x = 0, y = 0, radius = 0, stroke = 0; // 1x picture pixels
};

// What idmap-legend.txt says.
struct Legend {
    std::map<int, std::string> nameOfValue; // grey value -> "sea", "other" or a quiz tag
    std::map<std::string, Rgb> colourOfName;
    std::optional<Marker> singapore;
};

// Parses the legend text. Throws InputError naming the line on any row it
// cannot read, a value outside 0..255, a name given twice, an unknown tag,
// or a quiz country left out.
Legend parseLegend(std::string_view text);

// The region whose drop target takes a drop at the centre of this picture
// pixel, as the program's own hit test decides, or -1.
int dropRegion(int px, int py);

struct CountryShare {
    std::string tag;
    long pixels = 0; // visible pixels showing the country
    long hits = 0;   // of those, pixels whose drop lands on the country
    double share() const { return pixels ? double(hits) / double(pixels) : 0.0; }
};

struct RegionShare {
    int index = 0;
    std::string tag;
    long visible = 0;  // visible pixels inside the rectangle
    long own = 0;      // of those, pixels showing the region's country
    long wins = 0;     // visible pixels where a drop goes to this region
    long winsOwn = 0;  // of those, pixels showing the region's country
};

struct Accuracy {
    std::vector<CountryShare> countries; // the quiz countries, alphabetical
    std::vector<RegionShare> regions;    // index order
    double mean = 0;
    double weighted = 0;
    double minimum = 0;
    std::string worst;
};

// Reads the id image against the legend. Throws InputError when the image
// is not 764 x 705 or holds a grey value the legend does not name.
Accuracy measure(const QImage &idmap, const Legend &legend);

// How much of each quiz country's interior on the picture carries the
// colour the legend gives it: a check that the picture and the id image
// were drawn together. Countries with too few interior pixels are left out.
struct ColourAgreement {
    std::string tag;
    long interior = 0;
    long matching = 0;
};
std::vector<ColourAgreement> colourAgreement(const QImage &picture, const QImage &idmap, const Legend &legend);

// The frame header of a JPEG file.
struct JpegInfo {
    int frameType = -1; // n of the SOFn marker: 0 baseline, 1 extended, 2 progressive, ...
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<std::pair<int, int>> sampling; // horizontal, vertical per component
};

// Walks the JPEG markers up to the frame header. Throws InputError on a
// file that is not a JPEG, is cut short or has no frame header.
JpegInfo readJpegInfo(const std::vector<std::uint8_t> &bytes);

// Empty when the picture is a baseline 3-component 4:4:4 JPEG of the given
// size; otherwise what is wrong with it.
std::vector<std::string> checkPictureFormat(const JpegInfo &info, int width, int height);

// Everything that misses a target, each as a sentence; empty when the map
// meets them all.
std::vector<std::string> checkTargets(const Accuracy &accuracy, const Legend &legend);

} // namespace mapcheck
