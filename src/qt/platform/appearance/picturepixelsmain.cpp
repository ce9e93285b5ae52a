// Decodes a picture at build time into the form the program draws from
// directly: drillix-picture-pixels PICTURE OUTPUT. Every image in the file
// is kept (an icon holds several sizes).

#include "qt/platform/appearance/decodedpictures.h"

#include <QFile>
#include <QImageReader>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: drillix-picture-pixels PICTURE OUTPUT\n");
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    QList<QImage> images;
    for (QImage image; reader.read(&image);) {
        images.append(image);
        if (!reader.jumpToNextImage())
            break;
    }
    if (images.isEmpty()) {
        std::fprintf(stderr, "drillix-picture-pixels: %s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    QFile out(QString::fromLocal8Bit(argv[2]));
    const QByteArray bytes = drillix::decodedpictures::write(images);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() || !out.flush()) {
        std::fprintf(stderr, "drillix-picture-pixels: %s: %s\n", argv[2], qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
