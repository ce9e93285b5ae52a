#include "qt/platform/appearance/decodedpictures.h"

#include <QResource>

#include <cstring>

namespace drillix::decodedpictures {

namespace {

struct Entry {
    qint32 width;
    qint32 height;
    qint32 format;
};

} // namespace

QByteArray write(const QList<QImage> &images)
{
    QByteArray bytes;
    for (const QImage &image : images) {
        const QImage stored = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                            : QImage::Format_RGB32);
        const Entry entry{stored.width(), stored.height(), stored.format()};
        bytes.append(reinterpret_cast<const char *>(&entry), sizeof entry);
        for (int y = 0; y < stored.height(); ++y)
            bytes.append(reinterpret_cast<const char *>(stored.constScanLine(y)), qsizetype(stored.width()) * 4);
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
    QList<QImage> images;
    for (qsizetype at = 0; at < decoded.size();) {
        Entry entry;
        std::memcpy(&entry, decoded.data() + at, sizeof entry);
        const uchar *pixels = decoded.data() + at + sizeof entry;
        QImage image(pixels, entry.width, entry.height, qsizetype(entry.width) * 4, QImage::Format(entry.format));
        // Qt draws 32-bit rows only from aligned memory; the resource
        // compiler promises no alignment, so a stray one is copied.
        if (reinterpret_cast<quintptr>(pixels) % alignof(quint32) != 0)
            image = image.copy();
        images.append(image);
        at += sizeof entry + image.sizeInBytes();
    }
    return images;
}

} // namespace drillix::decodedpictures
