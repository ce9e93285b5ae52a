#include "qt/platform/appearance/decodedpictures.h"

#include <QColorSpace>
#include <QImageReader>
#include <QResource>

#include <gtest/gtest.h>

#include <cstring>

using namespace drillix;

namespace {

QList<QImage> readFromFile(const QString &source)
{
    QImageReader reader(source);
    QList<QImage> images;
    do {
        images.append(reader.read());
    } while (reader.jumpToNextImage());
    return images;
}

} // namespace

TEST(DecodedPictures, BuiltInPicturesAreTheirFilesPixelForPixelAndDrawnInPlace)
{
    for (const char *name : {"map.jpg", "panel.jpg", "app.ico"}) {
        SCOPED_TRACE(name);
        const QString source = QStringLiteral(":/pictures/") + QLatin1String(name);
        const QList<QImage> decoded = decodedpictures::builtIn(source);
        const QList<QImage> fromFile = readFromFile(source);
        ASSERT_EQ(decoded.size(), fromFile.size());
        for (qsizetype i = 0; i < decoded.size(); ++i) {
            // Painting does not manage colour, so a file's colour space
            // is not kept.
            QImage expected = fromFile[i].convertToFormat(decoded[i].format());
            expected.setColorSpace(QColorSpace());
            EXPECT_EQ(decoded[i], expected) << "image " << i;
        }

        // Stored, not packed: the first image's pixels are the program's own.
        const QResource resource(QStringLiteral(":/decoded-pictures/") + QLatin1String(name));
        const auto *begin = resource.data();
        EXPECT_TRUE(decoded[0].constBits() >= begin && decoded[0].constBits() < begin + resource.size());
    }
    EXPECT_TRUE(decodedpictures::builtIn(QStringLiteral(":/pictures/pin.ico")).isEmpty());
    EXPECT_TRUE(decodedpictures::builtIn(QStringLiteral("/usr/share/pictures/map.jpg")).isEmpty());
}

TEST(DecodedPictures, BytesThatAreNotOneReadAsNothing)
{
    const QImage opaque(3, 2, QImage::Format_RGB32);
    const QByteArray good = decodedpictures::write({opaque});
    ASSERT_EQ(decodedpictures::read(good.constData(), good.size()).size(), 1);

    auto withWord = [&](qsizetype at, quint32 value) {
        QByteArray bytes = good;
        std::memcpy(bytes.data() + at, &value, sizeof value);
        return bytes;
    };
    const struct {
        const char *what;
        QByteArray bytes;
    } rows[] = {
        {"empty", {}},
        {"header cut short", good.left(12)},
        {"another magic", QByteArray("XRXPIX1").append('\0') + good.mid(8)},
        {"the other byte order", withWord(8, 0x04030201)},
        {"no images", withWord(12, 0)},
        {"more images than entries", withWord(12, 2)},
        {"zero width", withWord(16, 0)},
        {"a side too long", withWord(20, 100000)},
        {"an 8-bit format", withWord(24, QImage::Format_Indexed8)},
        {"pixels cut short", good.chopped(1)},
        {"bytes after the pixels", good + "x"},
    };
    for (const auto &row : rows)
        EXPECT_TRUE(decodedpictures::read(row.bytes.constData(), row.bytes.size()).isEmpty()) << row.what;
}
