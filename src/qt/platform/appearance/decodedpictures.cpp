#include "qt/platform/appearance/decodedpictures.h"

#include <QResource>

#include <cstring>

namespace drillix::decodedpictures {

namespace {

constexpr char kMagic[8] = {'D', 'R', 'X', 'P', 'I', 'X', '1', '\0'};
constexpr quint32 kByteOrder = 0x01020304;
constexpr quint32 kMostImages = 16;
constexpr quint32 kLongestSide = 8192;

struct Header {
    char magic[8];
    quint32 byteOrder;
    quint32 count;
};

struct Entry {
    quint32 width;
    quint32 height;
    quint32 format;
    quint32 reserved;
};

bool storable(quint32 format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

QList<QImage> read(const char *bytes, qsizetype size)
{
    Header header{};
    if (size < qsizetype(sizeof header))
        return {};
    std::memcpy(&header, bytes, sizeof header);
    if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.byteOrder != kByteOrder
        || header.count == 0 || header.count > kMostImages)
        return {};
    qsizetype at = qsizetype(sizeof header) + qsizetype(header.count * sizeof(Entry));
    if (size < at)
        return {};

    QList<QImage> images;
    for (quint32 i = 0; i < header.count; ++i) {
        Entry entry{};
        std::memcpy(&entry, bytes + sizeof header + i * sizeof entry, sizeof entry);
        if (entry.width == 0 || entry.height == 0 || entry.width > kLongestSide || entry.height > kLongestSide
            || !storable(entry.format))
            return {};
        const qsizetype rowBytes = qsizetype(entry.width) * 4;
        const qsizetype imageBytes = rowBytes * entry.height;
        if (size - at < imageBytes)
            return {};
        const auto *pixels = reinterpret_cast<const uchar *>(bytes + at);
        QImage image(pixels, int(entry.width), int(entry.height), rowBytes, QImage::Format(entry.format));
        // Qt draws 32-bit rows only from aligned memory; the resource
        // compiler promises no alignment, so a stray one is copied.
        if (reinterpret_cast<quintptr>(pixels) % alignof(quint32) != 0)
            image = image.copy();
        images.append(image);
        at += imageBytes;
    }
    if (at != size)
        return {};
    return images;
}

QByteArray write(const QList<QImage> &images)
{
    QByteArray bytes;
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.byteOrder = kByteOrder;
    header.count = quint32(images.size());
    bytes.append(reinterpret_cast<const char *>(&header), sizeof header);

    QList<QImage> stored;
    for (const QImage &image : images) {
        stored.append(image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                    : QImage::Format_RGB32));
        const Entry entry{quint32(image.width()), quint32(image.height()), quint32(stored.last().format()), 0};
        bytes.append(reinterpret_cast<const char *>(&entry), sizeof entry);
    }
    for (const QImage &image : stored) {
        for (int y = 0; y < image.height(); ++y)
            bytes.append(reinterpret_cast<const char *>(image.constScanLine(y)), qsizetype(image.width()) * 4);
    }
    return bytes;
}

QList<QImage> builtIn(const QString &source)
{
    const QLatin1StringView builtInFolder(kBuiltInFolder);
    if (!source.startsWith(builtInFolder))
        return {};
    const QResource decoded(QLatin1StringView(kDecodedFolder) + source.mid(builtInFolder.size()));
    // Only stored bytes can be drawn in place; packed ones would be
    // unpacked on every call.
    if (!decoded.isValid() || decoded.compressionAlgorithm() != QResource::NoCompression)
        return {};
    return read(reinterpret_cast<const char *>(decoded.data()), decoded.size());
}

} // namespace drillix::decodedpictures
