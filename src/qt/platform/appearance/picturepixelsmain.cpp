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
    // No output at all when the picture cannot be read.
    QFile out(QString::fromLocal8Bit(argv[2]));
    const bool written = !bytes.isEmpty() && out.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && out.write(bytes) == bytes.size() && out.flush();
    if (!written)
        std::fprintf(stderr, "drillix-picture-pixels: %s: %s\n", argv[bytes.isEmpty() ? 1 : 2],
                     qPrintable(bytes.isEmpty() ? reader.errorString() : out.errorString()));
    return written ? 0 : 1;
}
