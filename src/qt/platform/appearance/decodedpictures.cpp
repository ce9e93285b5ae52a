#include "qt/platform/appearance/decodedpictures.h"

#include <QResource>

#include <cstring>

namespace drillix::decodedpictures {

QList<QImage> builtIn(const QString &source)
{
    constexpr QLatin1StringView kBuiltInFolder(":/pictures/");
    if (!source.startsWith(kBuiltInFolder))
        return {};
    const QResource decoded(":/decoded-pictures/" + source.mid(kBuiltInFolder.size()));
    // Only stored bytes can be drawn in place; packed ones would be
    // unpacked on every call.
    if (!decoded.isValid() || decoded.compressionAlgorithm() != QResource::NoCompression)
        return {};
    QList<QImage> images;
    for (qsizetype at = 0; at < decoded.size(); at += 3 * sizeof(qint32) + images.last().sizeInBytes()) {
        qint32 header[3]; // width, height, format
        std::memcpy(header, decoded.data() + at, sizeof header);
        const uchar *pixels = decoded.data() + at + sizeof header;
        QImage image(pixels, header[0], header[1], qsizetype(header[0]) * 4, QImage::Format(header[2]));
        // Qt draws 32-bit rows only from aligned memory; the resource
        // compiler promises no alignment, so a stray one is copied.
        images.append(reinterpret_cast<quintptr>(pixels) % alignof(quint32) == 0 ? image : image.copy());
    }
    return images;
}

} // namespace drillix::decodedpictures
