#include "qt/platform/appearance/decodedpictures.h"

#include <QColorSpace>
#include <QImageReader>
#include <QResource>

#include <gtest/gtest.h>

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
