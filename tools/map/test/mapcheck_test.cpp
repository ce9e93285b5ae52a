#include "mapcheck.h"

#include "core/layout.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace mapcheck;
using drillix::layout::kRegions;

namespace {

// A legend like the generator's: value 10 * (position + 1) for the quiz
// countries in alphabetical order, 0 for sea, 250 for other land.
std::string legendText(const std::string &marker = "marker\tSingapore\t450.5\t654.5\t3.2\t0.8\n")
{
    std::string text = "# comment\n0\tsea\n250\tother\ncolour\tsea\t#b9d8ee\n";
    int value = 10;
    for (const auto &answer : drillix::layout::kAnswerPlaces) {
        text += std::to_string(value) + "\t" + answer.country + "\n";
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02x%02x80", value, 255 - value);
        text += std::string("colour\t") + answer.country + "\t" + colour + "\n";
        value += 10;
    }
    return text + marker + "projection\t85\t35\t506\t284\t374\n";
}

int valueOf(const Legend &legend, const std::string &name)
{
    for (const auto &[value, n] : legend.nameOfValue)
        if (n == name)
            return value;
    return -1;
}

// An id image where every pixel shows the country its drop goes to: the
// map that fits its regions perfectly.
QImage perfectIdMap(const Legend &legend)
{
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_Grayscale8);
    for (int y = 0; y < kPictureHeight; ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < kPictureWidth; ++x) {
            const int drop = dropRegion(x, y);
            row[x] = uchar(drop < 0 ? 0 : valueOf(legend, kRegions[std::size_t(drop)].country));
        }
    }
    return image;
}

std::vector<std::uint8_t> jpegHeader(int sofType, int width, int height, std::vector<int> sampling)
{
    std::vector<std::uint8_t> b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x4A, 0x46}; // SOI, a short APP0
    const int length = 8 + 3 * int(sampling.size());
    b.insert(b.end(), {0xFF, 0xFF, std::uint8_t(0xC0 + sofType), std::uint8_t(length >> 8), std::uint8_t(length & 0xFF), 8,
                       std::uint8_t(height >> 8), std::uint8_t(height & 0xFF), std::uint8_t(width >> 8),
                       std::uint8_t(width & 0xFF), std::uint8_t(sampling.size())});
    for (std::size_t i = 0; i < sampling.size(); ++i)
        b.insert(b.end(), {std::uint8_t(i + 1), std::uint8_t(sampling[i]), 0});
    b.insert(b.end(), {0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9});
    return b;
}

} // namespace

TEST(MapLegend, ReadsValuesColoursAndMarker)
{
    const Legend legend = parseLegend(legendText());
    EXPECT_EQ(legend.nameOfValue.size(), 25u);
    EXPECT_EQ(legend.nameOfValue.at(60), "China");
    EXPECT_EQ(legend.colourOfName.at("sea").b, 0xee);
    ASSERT_TRUE(legend.singapore.has_value());
    EXPECT_DOUBLE_EQ(legend.singapore->x, 450.5);
    // Windows line ends read the same.
    std::string crlf;
    for (char c : legendText())
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(parseLegend(crlf).nameOfValue, legend.nameOfValue);
}

TEST(MapLegend, RejectsBadRowsWithTheLineNumber)
{
    const std::string good = legendText();
    const struct {
        std::string text;
        std::string expect;
    } bad[] = {
        {good + "300\tsea2\n", "outside 0..255"},
        {good + "20\tother\n", "named twice"},
        {good + "255\tChina\n", "two grey values"},
        {good + "5\tAtlantis\n", "not a quiz country"},
        {good + "x5\tsea\n", "not a whole number"},
        {good + "colour\tChina\tred\n", "not a colour"},
        {good + "marker\tSingapore\t1\t2\n", "marker row"},
        {good + "marker\tSingapore\t1\t2\t-3\t0\n", "positive radius"},
        {"0\tsea\n", "no grey value for Bangladesh"},
    };
    for (const auto &b : bad) {
        try {
            parseLegend(b.text);
            ADD_FAILURE() << "accepted: " << b.expect;
        } catch (const InputError &e) {
            EXPECT_NE(std::string(e.what()).find(b.expect), std::string::npos) << e.what();
        }
    }
    try {
        parseLegend(good + "5\tAtlantis\n");
    } catch (const InputError &e) {
        const int lines = int(std::count(good.begin(), good.end(), '\n')) + 1;
        EXPECT_NE(std::string(e.what()).find("line " + std::to_string(lines) + ":"), std::string::npos) << e.what();
    }
}

TEST(MapDrop, HighestIndexWinsAndRectanglesAreHalfOpen)
{
    // Regions 59 and 60 (Russia) overlap; 8 (China) and 12 (China) too.
    EXPECT_EQ(dropRegion(60, 170), 60);
    EXPECT_EQ(dropRegion(252, 326), 12);
    // Region 45 (Singapore) is window pixels (390, 606) to (406, 622), that
    // is picture pixels (442, 646) to (458, 662); the pixels just past its
    // edges belong to region 33 (Malaysia) beneath it.
    EXPECT_EQ(dropRegion(442, 646), 45);
    EXPECT_EQ(dropRegion(458, 662), 45);
    EXPECT_EQ(dropRegion(459, 647), 33);
    EXPECT_EQ(dropRegion(441, 647), 33);
    EXPECT_EQ(dropRegion(10, 10), -1); // off the window
}

TEST(MapMeasure, PerfectMapScoresOneAndMeetsTheTargets)
{
    const Legend legend = parseLegend(legendText());
    const Accuracy a = measure(perfectIdMap(legend), legend);
    ASSERT_EQ(a.countries.size(), 23u);
    for (const auto &c : a.countries) {
        EXPECT_GT(c.pixels, 0) << c.tag;
        EXPECT_EQ(c.hits, c.pixels) << c.tag;
    }
    EXPECT_DOUBLE_EQ(a.mean, 1.0);
    EXPECT_DOUBLE_EQ(a.weighted, 1.0);
    for (const auto &r : a.regions)
        EXPECT_EQ(r.winsOwn, r.wins) << r.index;
    EXPECT_TRUE(checkTargets(a, legend).empty());
}

TEST(MapMeasure, CountsOnlyVisiblePixelsAndReportsMisses)
{
    const Legend legend = parseLegend(legendText());
    QImage image = perfectIdMap(legend);
    // Off-screen margins do not count, whatever they show.
    for (int y = 0; y < kVisibleTop; ++y)
        for (int x = 0; x < kPictureWidth; ++x)
            image.scanLine(y)[x] = uchar(valueOf(legend, "India"));
    const Accuracy margins = measure(image, legend);
    EXPECT_DOUBLE_EQ(margins.mean, 1.0);

    // Paint Malaysia's regions as sea and put Malaysia where Brunei's drop is.
    for (int y = kVisibleTop; y < kPictureHeight; ++y) {
        for (int x = kVisibleLeft; x < kPictureWidth; ++x) {
            uchar &p = image.scanLine(y)[x];
            if (p == valueOf(legend, "Malaysia"))
                p = 0;
            else if (p == valueOf(legend, "Brunei"))
                p = uchar(valueOf(legend, "Malaysia"));
        }
    }
    const Accuracy a = measure(image, legend);
    EXPECT_EQ(a.worst, "Brunei");
    EXPECT_DOUBLE_EQ(a.minimum, 0.0);
    EXPECT_NEAR(a.mean, 21.0 / 23.0, 1e-12);
    const auto missed = checkTargets(a, legend);
    ASSERT_EQ(missed.size(), 2u);
    EXPECT_NE(missed[0].find("Brunei is not drawn"), std::string::npos);
    EXPECT_NE(missed[1].find("Malaysia lands on its own regions for only 0.0% of its pixels"), std::string::npos) << missed[1];
}

TEST(MapMeasure, RejectsImagesItCannotRead)
{
    const Legend legend = parseLegend(legendText());
    EXPECT_THROW(measure(QImage(), legend), InputError);
    EXPECT_THROW(measure(QImage(100, 100, QImage::Format_Grayscale8), legend), InputError);
    QImage colour(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    colour.fill(qRgb(200, 10, 10));
    EXPECT_THROW(measure(colour, legend), InputError);
    QImage unknown = perfectIdMap(legend);
    unknown.scanLine(300)[400] = 7;
    try {
        measure(unknown, legend);
        ADD_FAILURE() << "accepted an unnamed grey value";
    } catch (const InputError &e) {
        EXPECT_NE(std::string(e.what()).find("(400, 300) has grey value 7"), std::string::npos) << e.what();
    }
}

TEST(MapTargets, SingaporeDotMustLieWhollyInsideItsRegion)
{
    // Region 45 covers picture pixels x 442..458, y 646..662, that is the
    // continuous box [442, 459) x [646, 663).
    const Legend base = parseLegend(legendText());
    const Accuracy perfect = measure(perfectIdMap(base), base);
    const struct {
        const char *marker;
        bool inside;
    } cases[] = {
        {"marker\tSingapore\t450.5\t654.5\t3.2\t0.8\n", true},
        {"marker\tSingapore\t445.6\t649.6\t3.2\t0.8\n", true},  // touches the top-left edges
        {"marker\tSingapore\t455.4\t659.4\t3.2\t0.8\n", true},  // touches the bottom-right edges
        {"marker\tSingapore\t445.5\t654.5\t3.2\t0.8\n", false}, // outline pokes out on the left
        {"marker\tSingapore\t455.5\t654.5\t3.2\t0.8\n", false},
        {"marker\tSingapore\t450.5\t659.5\t3.2\t0.8\n", false},
        {"marker\tSingapore\t450.5\t654.5\t9\t0\n", false},      // too big for the region
    };
    for (const auto &c : cases) {
        const Legend legend = parseLegend(legendText(c.marker));
        EXPECT_EQ(checkTargets(perfect, legend).empty(), c.inside) << c.marker;
    }
    const Legend none = parseLegend(legendText(""));
    ASSERT_EQ(checkTargets(perfect, none).size(), 1u);
    EXPECT_NE(checkTargets(perfect, none)[0].find("no Singapore dot"), std::string::npos);
}

TEST(MapPictures, PictureMustCarryTheIdImageColours)
{
    const Legend legend = parseLegend(legendText());
    const QImage idmap = perfectIdMap(legend);
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    for (int y = 0; y < kPictureHeight; ++y) {
        for (int x = 0; x < kPictureWidth; ++x) {
            const Rgb c = legend.colourOfName.count(legend.nameOfValue.at(idmap.constScanLine(y)[x]))
                              ? legend.colourOfName.at(legend.nameOfValue.at(idmap.constScanLine(y)[x]))
                              : Rgb{};
            picture.setPixel(x, y, qRgb(std::min(c.r + 10, 255), std::max(c.g - 10, 0), c.b)); // within tolerance
        }
    }
    for (const auto &a : colourAgreement(picture, idmap, legend))
        EXPECT_EQ(a.matching, a.interior) << a.tag;

    // A picture drawn with another projection: shifted by 30 pixels.
    const QImage shifted = picture.copy(30, 0, kPictureWidth, kPictureHeight);
    long mismatched = 0;
    for (const auto &a : colourAgreement(shifted, idmap, legend))
        mismatched += a.interior - a.matching;
    EXPECT_GT(mismatched, 10000);
    EXPECT_THROW(colourAgreement(picture.copy(0, 0, 10, 10), idmap, legend), InputError);
}

TEST(MapPictures, ReadsTheJpegFrameHeader)
{
    const JpegInfo info = readJpegInfo(jpegHeader(0, 764, 705, {0x11, 0x11, 0x11}));
    EXPECT_EQ(info.frameType, 0);
    EXPECT_EQ(info.width, 764);
    EXPECT_EQ(info.height, 705);
    EXPECT_EQ(info.components, 3);
    EXPECT_TRUE(checkPictureFormat(info, 764, 705).empty());

    const auto problems = [](const std::vector<std::uint8_t> &bytes, int w, int h) {
        return checkPictureFormat(readJpegInfo(bytes), w, h);
    };
    EXPECT_EQ(problems(jpegHeader(2, 764, 705, {0x11, 0x11, 0x11}), 764, 705).size(), 1u); // progressive
    EXPECT_EQ(problems(jpegHeader(0, 764, 705, {0x22, 0x11, 0x11}), 764, 705).size(), 1u); // 4:2:0
    EXPECT_EQ(problems(jpegHeader(0, 764, 705, {0x11}), 764, 705).size(), 1u);             // grey
    EXPECT_EQ(problems(jpegHeader(0, 764, 705, {0x11, 0x11, 0x11}), 1528, 1410).size(), 1u);
    EXPECT_EQ(problems(jpegHeader(1, 100, 100, {0x21, 0x11, 0x11}), 764, 705).size(), 3u);
}

TEST(MapPictures, RejectsBrokenJpegFiles)
{
    const auto good = jpegHeader(0, 764, 705, {0x11, 0x11, 0x11});
    const std::vector<std::vector<std::uint8_t>> bad = {
        {},
        {0x89, 'P', 'N', 'G', 0x0D, 0x0A},
        std::vector<std::uint8_t>(good.begin(), good.begin() + 12),   // cut inside the frame header
        {0xFF, 0xD8, 0xFF, 0xE0, 0x40, 0x00, 0x00, 0x00},              // segment longer than the file
        {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9},              // image data before any frame
        {0xFF, 0xD8, 0x12, 0x34},                                      // no marker where one must be
        {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 8, 2, 0xC1, 2, 0xFC, 3}, // 3 components, room for none
    };
    for (std::size_t i = 0; i < bad.size(); ++i)
        EXPECT_THROW(readJpegInfo(bad[i]), InputError) << "case " << i;
}
