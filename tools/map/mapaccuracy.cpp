// mapaccuracy: how well the map picture fits the drop regions.
//
//   mapaccuracy [--idmap PNG] [--legend TXT] [--map JPG] [--map2x JPG]
//               [--debug OUT.png] [--quiet]
//
// Prints each quiz country's share of visible pixels whose drop lands on its
// own regions, the means and the minimum, and each region's share of its own
// country; checks the committed pictures' format. Exit status: 0 when every
// target holds, 1 when one is missed, 2 when an input cannot be read.

#include "mapcheck.h"

#include "core/layout.h"

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#ifndef DRILLIX_MAP_TOOL_DIR
#define DRILLIX_MAP_TOOL_DIR "tools/map"
#endif
#ifndef DRILLIX_PICTURES_DIR
#define DRILLIX_PICTURES_DIR "data/pictures"
#endif

namespace {

using namespace mapcheck;

struct Options {
    std::string idmap = DRILLIX_MAP_TOOL_DIR "/idmap.png";
    std::string legend = DRILLIX_MAP_TOOL_DIR "/idmap-legend.txt";
    std::string map = DRILLIX_PICTURES_DIR "/map.jpg";
    std::string map2x = DRILLIX_PICTURES_DIR "/map@2x.jpg";
    std::string debug;
    bool quiet = false;
};

constexpr std::size_t kMaxFileBytes = 64u << 20;

const char *const kUsage =
    "usage: mapaccuracy [--idmap PNG] [--legend TXT] [--map JPG] [--map2x JPG] [--debug OUT.png] [--quiet]\n"
    "  --debug OUT.png  also write the map with the drop regions outlined and missed pixels tinted\n"
    "  --quiet          print only the summary and any missed target\n";

std::vector<std::uint8_t> readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw InputError(path + ": cannot be opened");
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    if (size < 0 || std::size_t(size) > kMaxFileBytes)
        throw InputError(path + ": missing, unreadable or larger than 64 MiB");
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!bytes.empty() && !in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw InputError(path + ": cannot be read");
    return bytes;
}

QImage readImage(const std::string &path)
{
    const auto bytes = readFile(path);
    QImage image;
    if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size())))
        throw InputError(path + ": not a picture Qt can read");
    return image;
}

std::string percent(double v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%5.1f%%", 100.0 * v);
    return text;
}

void printTable(const Accuracy &a, bool quiet)
{
    if (!quiet) {
        std::cout << "Share of each quiz country's visible pixels whose drop lands on its own regions:\n";
        for (const auto &c : a.countries) {
            std::printf("  %-16s %7ld px  %s\n", c.tag.c_str(), c.pixels, percent(c.share()).c_str());
        }
        std::cout << "\nRegions: share of the visible rectangle showing its own country;"
                     " share of the part where drops go to it\n";
        for (const auto &r : a.regions) {
            const double own = r.visible ? double(r.own) / double(r.visible) : 0.0;
            const double winsOwn = r.wins ? double(r.winsOwn) / double(r.wins) : 0.0;
            std::printf("  %2d %-16s %6ld px %s   %6ld px %s\n", r.index, r.tag.c_str(), r.visible, percent(own).c_str(),
                        r.wins, percent(winsOwn).c_str());
        }
        std::cout << '\n';
    }
    std::printf("unweighted mean %s, area-weighted %s, minimum %s (%s)\n", percent(a.mean).c_str(),
                percent(a.weighted).c_str(), percent(a.minimum).c_str(), a.worst.c_str());
}

// The map with the region rectangles outlined and the visible edge marked;
// pixels of a quiz country whose drop misses it are tinted red.
void writeDebugPicture(const std::string &path, const QImage &picture, const QImage &idmap, const Legend &legend)
{
    QImage out = picture.convertToFormat(QImage::Format_RGB32);
    const QImage grey = idmap.convertToFormat(QImage::Format_Grayscale8);
    for (int y = kVisibleTop; y < kPictureHeight; ++y) {
        const uchar *ids = grey.constScanLine(y);
        auto *pixels = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = kVisibleLeft; x < kPictureWidth; ++x) {
            const auto name = legend.nameOfValue.find(ids[x]);
            if (name == legend.nameOfValue.end() || name->second == "sea" || name->second == "other")
                continue;
            const int drop = dropRegion(x, y);
            if (drop >= 0 && name->second == drillix::layout::kRegions[std::size_t(drop)].country)
                continue;
            const QRgb p = pixels[x];
            pixels[x] = qRgb((qRed(p) + 2 * 190) / 3, qGreen(p) / 3, qBlue(p) / 3);
        }
    }
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(40, 40, 160), 0, Qt::DashLine));
    painter.drawLine(kVisibleLeft, 0, kVisibleLeft, kPictureHeight);
    painter.drawLine(0, kVisibleTop, kPictureWidth, kVisibleTop);
    painter.setPen(QPen(QColor(20, 20, 20), 0));
    painter.setBrush(Qt::NoBrush);
    for (const auto &region : drillix::layout::kRegions) {
        const drillix::Rect &r = region.rect;
        painter.drawRect(QRectF(r.x + kVisibleLeft, r.y + kVisibleTop, r.width - 1, r.height - 1));
    }
    if (legend.singapore) {
        const Marker &m = *legend.singapore;
        painter.setPen(QPen(QColor(200, 0, 0), 0));
        painter.drawEllipse(QPointF(m.x, m.y), m.radius, m.radius);
    }
    painter.end();
    if (!out.save(QString::fromStdString(path)))
        throw InputError(path + ": cannot write the debug picture there");
}

int run(const Options &options)
{
    const auto legendBytes = readFile(options.legend);
    Legend legend;
    try {
        legend = parseLegend(std::string_view(reinterpret_cast<const char *>(legendBytes.data()), legendBytes.size()));
    } catch (const InputError &e) {
        throw InputError(options.legend + ": " + e.what());
    }
    const QImage idmap = readImage(options.idmap);
    Accuracy accuracy;
    try {
        accuracy = measure(idmap, legend);
    } catch (const InputError &e) {
        throw InputError(options.idmap + ": " + e.what());
    }
    printTable(accuracy, options.quiet);

    std::vector<std::string> missed = checkTargets(accuracy, legend);

    const struct {
        const std::string &path;
        int scale;
    } pictures[] = {{options.map, 1}, {options.map2x, 2}};
    QImage picture1x;
    for (const auto &p : pictures) {
        const auto bytes = readFile(p.path);
        JpegInfo info;
        try {
            info = readJpegInfo(bytes);
        } catch (const InputError &e) {
            missed.push_back(p.path + ": " + e.what());
            continue;
        }
        const auto problems = checkPictureFormat(info, kPictureWidth * p.scale, kPictureHeight * p.scale);
        for (const auto &problem : problems)
            missed.push_back(p.path + " " + problem);
        QImage decoded;
        if (!decoded.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) {
            missed.push_back(p.path + " does not decode");
        } else if (p.scale == 1 && decoded.width() == kPictureWidth && decoded.height() == kPictureHeight) {
            picture1x = decoded;
        }
        if (!options.quiet && problems.empty())
            std::cout << p.path << ": baseline JPEG, " << info.width << " x " << info.height << ", 3 components, 4:4:4\n";
    }

    if (!picture1x.isNull()) {
        for (const auto &agreement : colourAgreement(picture1x, idmap, legend)) {
            if (agreement.interior < 20)
                continue;
            const double share = double(agreement.matching) / double(agreement.interior);
            if (share < 0.9) {
                missed.push_back(agreement.tag + " has its own colour on only " + percent(share) +
                                 " of its interior on the picture: the picture and the id image disagree");
            }
        }
        if (!options.debug.empty()) {
            writeDebugPicture(options.debug, picture1x, idmap, legend);
            std::cout << "wrote " << options.debug << '\n';
        }
    }

    if (missed.empty()) {
        std::cout << "all map targets met\n";
        return 0;
    }
    for (const auto &m : missed)
        std::cout << "MISSED: " << m << '\n';
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // for Qt's image format plugins
    Options options;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto value = [&](std::string &into) {
            if (i + 1 >= args.size()) {
                std::cerr << "mapaccuracy: " << a << " needs a value\n" << kUsage;
                return false;
            }
            into = args[++i];
            return true;
        };
        bool ok = true;
        if (a == "--idmap")
            ok = value(options.idmap);
        else if (a == "--legend")
            ok = value(options.legend);
        else if (a == "--map")
            ok = value(options.map);
        else if (a == "--map2x")
            ok = value(options.map2x);
        else if (a == "--debug")
            ok = value(options.debug);
        else if (a == "--quiet")
            options.quiet = true;
        else if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else {
            std::cerr << "mapaccuracy: unknown argument " << a << '\n' << kUsage;
            return 2;
        }
        if (!ok)
            return 2;
    }
    try {
        return run(options);
    } catch (const InputError &e) {
        std::cerr << "mapaccuracy: " << e.what() << '\n';
        return 2;
    } catch (const std::exception &e) {
        std::cerr << "mapaccuracy: " << e.what() << '\n';
        return 2;
    }
}
