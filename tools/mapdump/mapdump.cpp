// Writes the map as the program knows it, as JSON, for the tools and tests
// that are not C++: the regions and answer places from the program's own
// tables, and where a drop goes, from the program's own hit test.
//
//   drillix-map-dump FILE
//
// {"client": [w, h], "countries": [...],
//  "regions": [{"index", "tag", "rect": [x, y, w, h]}],
//  "answers": [{"country", "rect": [x, y, w, h]}],
//  "hitMap": [[[x, length, region], ...], ...]}
//
// All in window pixels. hitMap has a row of runs for every pixel row: the
// region whose drop target takes a drop at each pixel's centre, or -1.

#include "core/layout.h"
#include "core/quiz.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

using namespace drillix;

namespace {

std::string quoted(const std::string &text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

class HitMap
{
public:
    HitMap(int width, int height)
        : m_width(width)
        , m_height(height)
        , m_regions(std::size_t(width) * std::size_t(height))
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                m_regions[index(x, y)] = Quiz::regionAt(x + 0.5, y + 0.5); // as the window places a drop at scale 1
    }

    int at(int x, int y) const
    {
        return x < 0 || y < 0 || x >= m_width || y >= m_height ? -1 : m_regions[index(x, y)];
    }
    void writeRuns(std::ostream &out) const
    {
        out << "[";
        for (int y = 0; y < m_height; ++y) {
            out << (y ? ",\n  [" : "\n  [");
            int x = 0;
            bool first = true;
            while (x < m_width) {
                const int region = at(x, y);
                int end = x + 1;
                while (end < m_width && at(end, y) == region)
                    ++end;
                out << (first ? "" : ",") << "[" << x << "," << end - x << "," << region << "]";
                first = false;
                x = end;
            }
            out << "]";
        }
        out << "]";
    }

private:
    std::size_t index(int x, int y) const { return std::size_t(y) * std::size_t(m_width) + std::size_t(x); }

    int m_width;
    int m_height;
    std::vector<int> m_regions;
};

std::string json(const Rect &r)
{
    return "[" + std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.width) + "," +
           std::to_string(r.height) + "]";
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: drillix-map-dump FILE\n";
        return 2;
    }
    const int width = layout::kWindowWidth;
    const int height = layout::kWindowHeight;
    const HitMap hits(width, height);

    std::ostringstream out;
    out << "{\"client\": [" << width << "," << height << "],\n";
    out << "\"countries\": [";
    for (std::size_t i = 0; i < layout::kAnswerPlaces.size(); ++i)
        out << (i ? "," : "") << quoted(layout::kAnswerPlaces[i].country);
    out << "],\n\"regions\": [";
    for (int index = 0; index < kRegionCount; ++index) {
        const MapPlace &region = layout::kRegions[std::size_t(index)];
        out << (index ? ",\n  " : "\n  ") << "{\"index\": " << index << ", \"tag\": " << quoted(region.country)
            << ", \"rect\": " << json(region.rect) << "}";
    }
    out << "],\n\"answers\": [";
    for (std::size_t i = 0; i < layout::kAnswerPlaces.size(); ++i) {
        const MapPlace &answer = layout::kAnswerPlaces[i];
        out << (i ? ",\n  " : "\n  ") << "{\"country\": " << quoted(answer.country) << ", \"rect\": " << json(answer.rect)
            << "}";
    }
    out << "],\n\"hitMap\": ";
    hits.writeRuns(out);
    out << "}\n";

    std::ofstream file(argv[1], std::ios::binary);
    file << out.str();
    if (!file.flush()) {
        std::cerr << "drillix-map-dump: cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
