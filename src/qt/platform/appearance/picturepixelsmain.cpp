// Decodes a picture at build time into the form that decodedpictures.h
// describes, which the program draws from directly:
// drillix-picture-pixels PICTURE OUTPUT. Every image in the file is kept (an
// icon holds several sizes).

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
    QByteArray bytes;
    for (QImage image; reader.read(&image);) {
        // Each image stored as a 32-bit format, opaque or premultiplied.
        const QImage stored = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                            : QImage::Format_RGB32);
        const qint32 header[3] = {stored.width(), stored.height(), stored.format()};
        bytes.append(reinterpret_cast<const char *>(header), sizeof header);
        // Rows of 4-byte pixels, which QImage never pads.
        bytes.append(reinterpret_cast<const char *>(stored.constBits()), stored.sizeInBytes());
        if (!reader.jumpToNextImage())
            break;
    }
    if (bytes.isEmpty()) {
        std::fprintf(stderr, "drillix-picture-pixels: %s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() || !out.flush()) {
        std::fprintf(stderr, "drillix-picture-pixels: %s: %s\n", argv[2], qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
