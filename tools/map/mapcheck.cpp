#include "mapcheck.h"

#include "core/layout.h"
#include "core/quiz.h"

#include <QImage>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>

namespace mapcheck {

namespace {

using drillix::layout::kAnswerPlaces;
using drillix::layout::kRegions;

std::vector<std::string_view> splitTabs(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    return fields;
}

[[noreturn]] void legendError(int lineNumber, const std::string &what)
{
    throw InputError("legend line " + std::to_string(lineNumber) + ": " + what);
}

int parseInt(std::string_view text, int lineNumber)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        legendError(lineNumber, "\"" + std::string(text) + "\" is not a whole number");
    return value;
}

double parseNumber(std::string_view text, int lineNumber)
{
    // std::from_chars for double is not in every standard library we build
    // with; strtod on a bounded copy does the same job.
    const std::string copy(text);
    char *end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(value))
        legendError(lineNumber, "\"" + copy + "\" is not a number");
    return value;
}

Rgb parseColour(std::string_view text, int lineNumber)
{
    if (text.size() != 7 || text[0] != '#')
        legendError(lineNumber, "\"" + std::string(text) + "\" is not a colour like #a1b2c3");
    int parts[3] = {};
    for (int i = 0; i < 3; ++i) {
        const char *first = text.data() + 1 + 2 * i;
        const auto [end, error] = std::from_chars(first, first + 2, parts[i], 16);
        if (error != std::errc() || end != first + 2)
            legendError(lineNumber, "\"" + std::string(text) + "\" is not a colour like #a1b2c3");
    }
    return {parts[0], parts[1], parts[2]};
}

bool isQuizTag(std::string_view name)
{
    return std::any_of(kAnswerPlaces.begin(), kAnswerPlaces.end(),
                       [&](const drillix::MapPlace &answer) { return name == answer.country; });
}

bool isKnownName(std::string_view name)
{
    return name == "sea" || name == "other" || isQuizTag(name);
}

} // namespace

Legend parseLegend(std::string_view text)
{
    Legend legend;
    std::set<std::string> named;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;

        const auto fields = splitTabs(line);
        const std::string_view key = fields[0];
        if (key == "colour") {
            if (fields.size() != 3)
                legendError(lineNumber, "a colour row is: colour <tab> name <tab> #rrggbb");
            if (!isKnownName(fields[1]))
                legendError(lineNumber, "\"" + std::string(fields[1]) + "\" is not a quiz country, sea or other");
            legend.colourOfName[std::string(fields[1])] = parseColour(fields[2], lineNumber);
        } else if (key == "marker") {
            if (fields.size() != 6 || fields[1] != "Singapore")
                legendError(lineNumber, "a marker row is: marker <tab> Singapore <tab> x <tab> y <tab> radius <tab> outline");
            Marker m{parseNumber(fields[2], lineNumber), parseNumber(fields[3], lineNumber),
                     parseNumber(fields[4], lineNumber), parseNumber(fields[5], lineNumber)};
            if (m.radius <= 0 || m.stroke < 0)
                legendError(lineNumber, "the marker needs a positive radius and an outline width of 0 or more");
            legend.singapore = m;
        } else if (key == "projection") {
            // Recorded for people reading the file; the measure does not need it.
        } else {
            if (fields.size() != 2)
                legendError(lineNumber, "a value row is: grey value <tab> name");
            const int value = parseInt(key, lineNumber);
            if (value < 0 || value > 255)
                legendError(lineNumber, "grey value " + std::to_string(value) + " is outside 0..255");
            const std::string name(fields[1]);
            if (!isKnownName(name))
                legendError(lineNumber, "\"" + name + "\" is not a quiz country, sea or other");
            if (legend.nameOfValue.count(value))
                legendError(lineNumber, "grey value " + std::to_string(value) + " is named twice");
            if (name != "other" && !named.insert(name).second)
                legendError(lineNumber, "\"" + name + "\" has two grey values");
            legend.nameOfValue[value] = name;
        }
    }
    for (const auto &answer : kAnswerPlaces) {
        if (!named.count(answer.country))
            throw InputError(std::string("legend: no grey value for ") + answer.country);
    }
    return legend;
}

int dropRegion(int px, int py)
{
    return drillix::Quiz::regionAt(px - kVisibleLeft + 0.5, py - kVisibleTop + 0.5);
}

namespace {

// The id image as names per pixel: an index into `names`, which lists the
// legend's names in value order.
struct Labels {
    std::vector<int> pixel;
    std::vector<std::string> names;
    int width = 0;
    int height = 0;
    int at(int x, int y) const { return pixel[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

Labels readLabels(const QImage &idmap, const Legend &legend)
{
    if (idmap.isNull())
        throw InputError("the id image is empty or could not be read");
    if (idmap.width() != kPictureWidth || idmap.height() != kPictureHeight) {
        throw InputError("the id image is " + std::to_string(idmap.width()) + " x " + std::to_string(idmap.height()) +
                         ", expected " + std::to_string(kPictureWidth) + " x " + std::to_string(kPictureHeight));
    }
    if (!idmap.isGrayscale())
        throw InputError("the id image is not a grey image");
    const QImage grey = idmap.convertToFormat(QImage::Format_Grayscale8);

    Labels labels;
    labels.width = grey.width();
    labels.height = grey.height();
    std::map<int, int> slotOfValue;
    for (const auto &[value, name] : legend.nameOfValue) {
        slotOfValue[value] = int(labels.names.size());
        labels.names.push_back(name);
    }
    labels.pixel.resize(std::size_t(labels.width) * std::size_t(labels.height));
    for (int y = 0; y < labels.height; ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < labels.width; ++x) {
            const auto found = slotOfValue.find(row[x]);
            if (found == slotOfValue.end()) {
                throw InputError("id image pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") has grey value " +
                                 std::to_string(row[x]) + ", which the legend does not name");
            }
            labels.pixel[std::size_t(y) * std::size_t(labels.width) + std::size_t(x)] = found->second;
        }
    }
    return labels;
}

} // namespace

Accuracy measure(const QImage &idmap, const Legend &legend)
{
    const Labels labels = readLabels(idmap, legend);

    Accuracy result;
    std::map<std::string, std::size_t> slotOfTag;
    for (const auto &answer : kAnswerPlaces) {
        slotOfTag[answer.country] = result.countries.size();
        result.countries.push_back({answer.country, 0, 0});
    }
    for (std::size_t i = 0; i < kRegions.size(); ++i)
        result.regions.push_back({int(i), kRegions[i].country, 0, 0, 0, 0});

    for (int y = kVisibleTop; y < kPictureHeight; ++y) {
        for (int x = kVisibleLeft; x < kPictureWidth; ++x) {
            const std::string &shown = labels.names[std::size_t(labels.at(x, y))];
            const int drop = dropRegion(x, y);

            const auto country = slotOfTag.find(shown);
            if (country != slotOfTag.end()) {
                CountryShare &c = result.countries[country->second];
                ++c.pixels;
                if (drop >= 0 && shown == kRegions[std::size_t(drop)].country)
                    ++c.hits;
            }
            for (auto &region : result.regions) {
                const drillix::Rect &r = kRegions[std::size_t(region.index)].rect;
                if (!r.contains(x - kVisibleLeft + 0.5, y - kVisibleTop + 0.5))
                    continue;
                ++region.visible;
                const bool own = shown == region.tag;
                if (own)
                    ++region.own;
                if (region.index == drop) {
                    ++region.wins;
                    if (own)
                        ++region.winsOwn;
                }
            }
        }
    }

    double sum = 0;
    long allPixels = 0;
    long allHits = 0;
    result.minimum = 1.0;
    for (const auto &c : result.countries) {
        sum += c.share();
        allPixels += c.pixels;
        allHits += c.hits;
        if (result.worst.empty() || c.share() < result.minimum) {
            result.minimum = c.share();
            result.worst = c.tag;
        }
    }
    result.mean = result.countries.empty() ? 0.0 : sum / double(result.countries.size());
    result.weighted = allPixels ? double(allHits) / double(allPixels) : 0.0;
    return result;
}

std::vector<ColourAgreement> colourAgreement(const QImage &picture, const QImage &idmap, const Legend &legend)
{
    const Labels labels = readLabels(idmap, legend);
    if (picture.width() != labels.width || picture.height() != labels.height)
        throw InputError("the map picture and the id image differ in size");
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);

    std::vector<ColourAgreement> result;
    for (const auto &answer : kAnswerPlaces) {
        const auto colour = legend.colourOfName.find(answer.country);
        if (colour == legend.colourOfName.end())
            throw InputError(std::string("legend: no colour for ") + answer.country);
        ColourAgreement agreement{answer.country, 0, 0};
        const Rgb want = colour->second;
        // Pixels two away from any other label: clear of outlines and of
        // the antialiased edge.
        for (int y = 2; y < labels.height - 2; ++y) {
            for (int x = 2; x < labels.width - 2; ++x) {
                const int label = labels.at(x, y);
                if (labels.names[std::size_t(label)] != answer.country)
                    continue;
                bool interior = true;
                for (int dy = -2; dy <= 2 && interior; ++dy)
                    for (int dx = -2; dx <= 2 && interior; ++dx)
                        interior = labels.at(x + dx, y + dy) == label;
                if (!interior)
                    continue;
                ++agreement.interior;
                const QRgb got = rgb.pixel(x, y);
                const int diff = std::max({std::abs(qRed(got) - want.r), std::abs(qGreen(got) - want.g),
                                           std::abs(qBlue(got) - want.b)});
                if (diff <= 16)
                    ++agreement.matching;
            }
        }
        result.push_back(agreement);
    }
    return result;
}

JpegInfo readJpegInfo(const std::vector<std::uint8_t> &bytes)
{
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        throw InputError("not a JPEG file (no start-of-image marker)");
    std::size_t at = 2;
    while (true) {
        // Markers may be padded with any number of 0xFF bytes.
        if (at >= bytes.size() || bytes[at] != 0xFF)
            throw InputError("JPEG marker expected at byte " + std::to_string(at));
        while (at < bytes.size() && bytes[at] == 0xFF)
            ++at;
        if (at >= bytes.size())
            throw InputError("JPEG file ends inside a marker");
        const int marker = bytes[at++];
        if (marker == 0xD9 || marker == 0xDA)
            throw InputError("JPEG file has no frame header before its image data");
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a length
        if (at + 2 > bytes.size())
            throw InputError("JPEG file ends inside a segment length");
        const std::size_t length = std::size_t(bytes[at]) << 8 | bytes[at + 1];
        if (length < 2 || at + length > bytes.size())
            throw InputError("JPEG segment at byte " + std::to_string(at) + " runs past the end of the file");
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            const std::uint8_t *s = bytes.data() + at + 2;
            if (length < 8)
                throw InputError("JPEG frame header is too short");
            JpegInfo info;
            info.frameType = marker - 0xC0;
            info.height = s[1] << 8 | s[2];
            info.width = s[3] << 8 | s[4];
            info.components = s[5];
            if (length != 8 + 3 * std::size_t(info.components))
                throw InputError("JPEG frame header length does not match its component count");
            for (int i = 0; i < info.components; ++i)
                info.sampling.emplace_back(s[6 + 3 * i + 1] >> 4, s[6 + 3 * i + 1] & 0x0F);
            return info;
        }
        at += length;
    }
}

std::vector<std::string> checkPictureFormat(const JpegInfo &info, int width, int height)
{
    std::vector<std::string> problems;
    if (info.frameType != 0)
        problems.push_back("not a baseline JPEG (frame type SOF" + std::to_string(info.frameType) + ")");
    if (info.width != width || info.height != height) {
        problems.push_back("is " + std::to_string(info.width) + " x " + std::to_string(info.height) + ", expected " +
                           std::to_string(width) + " x " + std::to_string(height));
    }
    if (info.components != 3)
        problems.push_back("has " + std::to_string(info.components) + " colour components, expected 3");
    for (const auto &[h, v] : info.sampling) {
        if (h != info.sampling.front().first || v != info.sampling.front().second) {
            problems.push_back("has subsampled colour, expected full resolution (4:4:4)");
            break;
        }
    }
    return problems;
}

std::vector<std::string> checkTargets(const Accuracy &accuracy, const Legend &legend)
{
    std::vector<std::string> missed;
    auto percent = [](double v) {
        std::ostringstream out;
        out.precision(1);
        out << std::fixed << 100.0 * v << "%";
        return out.str();
    };
    for (const auto &c : accuracy.countries) {
        if (c.pixels == 0)
            missed.push_back(c.tag + " is not drawn on the visible map");
        else if (c.share() < kMinimumCountry)
            missed.push_back(c.tag + " lands on its own regions for only " + percent(c.share()) + " of its pixels (target " +
                             percent(kMinimumCountry) + ")");
    }
    if (accuracy.mean < kMinimumMean)
        missed.push_back("the mean accuracy is " + percent(accuracy.mean) + " (target " + percent(kMinimumMean) + ")");

    const drillix::MapPlace &region = kRegions[kSingaporeRegion];
    if (std::string_view(region.country) != "Singapore") {
        missed.push_back("region " + std::to_string(kSingaporeRegion) + " is no longer Singapore's");
    } else if (!legend.singapore) {
        missed.push_back("the legend records no Singapore dot");
    } else {
        const Marker &m = *legend.singapore;
        const double reach = m.radius + m.stroke / 2;
        const int left = region.rect.x + kVisibleLeft;
        const int top = region.rect.y + kVisibleTop;
        const int right = region.rect.right() + kVisibleLeft;
        const int bottom = region.rect.bottom() + kVisibleTop;
        if (m.x - reach < left || m.x + reach > right || m.y - reach < top || m.y + reach > bottom)
            missed.push_back("the Singapore dot is not wholly inside region " + std::to_string(kSingaporeRegion));
    }
    return missed;
}

} // namespace mapcheck
