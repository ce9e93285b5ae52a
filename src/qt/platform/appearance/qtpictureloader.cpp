#include "qt/platform/appearance/qtpictureloader.h"

#include "core/platform.h"
#include "qt/platform/appearance/boundedfile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QLoggingCategory>
#include <QPoint>
#include <QtEndian>

#include <exception>
#include <map>
#include <optional>

namespace drillix {

namespace {

Q_LOGGING_CATEGORY(lcPictures, "drillix.pictures")

[[noreturn]] void invalid(const std::string &why)
{
    throw Failure("Invalid picture (" + why + ")");
}

std::string sizeText(qint64 width, qint64 height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// Callers check the bounds first.
quint16 le16(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

quint32 le32(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

qint32 le32Signed(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<qint32>(b.constData() + at);
}

quint32 be32(const QByteArray &b, qsizetype at)
{
    return qFromBigEndian<quint32>(b.constData() + at);
}

constexpr int kIconSideLimit = 256;
constexpr qsizetype kDirectoryHeader = 6;
constexpr qsizetype kDirectoryEntry = 16;

// The image an icon or cursor entry points at: a PNG, or a bitmap info
// header whose height counts the colour and the mask rows.
void checkEntryImage(const QByteArray &bytes, qsizetype offset, qsizetype size)
{
    static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
    qint64 width = 0;
    qint64 height = 0;
    if (size >= 8 && bytes.mid(offset, 8) == pngSignature) {
        if (size < 24)
            invalid("its first image is cut short");
        width = be32(bytes, offset + 16);
        height = be32(bytes, offset + 20);
    } else {
        if (size < 40)
            invalid("its first image is cut short");
        width = le32Signed(bytes, offset + 4);
        height = le32Signed(bytes, offset + 8) / 2;
    }
    if (width <= 0 || height <= 0 || width > kIconSideLimit || height > kIconSideLimit)
        invalid("its first image declares " + sizeText(width, height) + " pixels; the most is "
                + sizeText(kIconSideLimit, kIconSideLimit));
}

// Icons and cursors: reserved 0, type (1 icon, 2 cursor), image count, then
// one 16-byte entry per image. In a cursor's entry the words at 4 and 6
// (bytes 10 and 12 of the file for the first) are the hot spot. Nothing for
// other pictures.
struct IconDirectory {
    bool cursor = false;
    QPoint hotSpot;
};

std::optional<IconDirectory> checkIconDirectory(const QByteArray &bytes)
{
    if (bytes.size() < 4 || le16(bytes, 0) != 0)
        return std::nullopt;
    const quint16 type = le16(bytes, 2);
    if (type != 1 && type != 2)
        return std::nullopt;
    if (bytes.size() < kDirectoryHeader)
        invalid("its header is cut short");
    const quint16 count = le16(bytes, 4);
    if (count == 0)
        invalid("it holds no images");
    const qsizetype directoryEnd = kDirectoryHeader + kDirectoryEntry * count;
    if (bytes.size() < directoryEnd)
        invalid("its header is cut short");
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype entry = kDirectoryHeader + kDirectoryEntry * i;
        const qint64 size = le32(bytes, entry + 8);
        const qint64 offset = le32(bytes, entry + 12);
        if (size == 0 || offset < directoryEnd || offset + size > bytes.size())
            invalid("image " + std::to_string(i + 1) + " of " + std::to_string(count)
                    + " lies outside the file");
    }
    checkEntryImage(bytes, le32(bytes, kDirectoryHeader + 12), le32(bytes, kDirectoryHeader + 8));
    if (type != 2)
        return IconDirectory{};
    return IconDirectory{true, QPoint(le16(bytes, 10), le16(bytes, 12))};
}

std::map<std::string, PictureImages> &keptPictures()
{
    static std::map<std::string, PictureImages> kept;
    return kept;
}

DecodedPicture readPicture(const QString &source)
{
    return decodePicture(readBoundedFile(source, "Picture file", kPictureFileLimit));
}

QImage readImage(const QString &source)
{
    return readPicture(source).image;
}

// "dir/pin.ico" -> "dir/pin@2x.png", when it is there and exactly twice the
// size of the picture.
QImage doubleSizeSibling(const QString &source, QSize size)
{
    const QFileInfo info(source);
    const QString sibling = info.path() + QLatin1Char('/') + info.completeBaseName() + QLatin1String("@2x.png");
    if (!QFileInfo::exists(sibling))
        return {};
    try {
        QImage image = readImage(sibling);
        if (image.size() == size * 2)
            return image;
        qCWarning(lcPictures) << sibling << "is left out: it is not twice the size of" << source;
    } catch (const std::exception &failure) {
        qCWarning(lcPictures) << sibling << "is left out:" << failure.what();
    }
    return {};
}

} // namespace

DecodedPicture decodePicture(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        invalid("the file is empty");
    const std::optional<IconDirectory> directory = checkIconDirectory(bytes);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (directory) {
        // Named, and not detected, the format loads the one image plugin
        // that reads it instead of asking every plugin in turn.
        reader.setFormat(directory->cursor ? "cur" : "ico");
        reader.setAutoDetectImageFormat(false);
    }
    const QSize declared = reader.size();
    if (declared.width() > kPictureSideLimit || declared.height() > kPictureSideLimit)
        invalid("it declares " + sizeText(declared.width(), declared.height()) + " pixels; the most is "
                + sizeText(kPictureSideLimit, kPictureSideLimit));
    // canRead() turns down some cursors that read() decodes; only the result
    // tells.
    QImage image = reader.read();
    if (image.isNull())
        throw Failure("Invalid picture");
    if (image.width() > kPictureSideLimit || image.height() > kPictureSideLimit)
        invalid("it has " + sizeText(image.width(), image.height()) + " pixels; the most is "
                + sizeText(kPictureSideLimit, kPictureSideLimit));

    DecodedPicture picture{image, 0, 0};
    if (directory && directory->cursor) {
        const QPoint hotSpot = directory->hotSpot;
        if (hotSpot.x() >= image.width() || hotSpot.y() >= image.height())
            invalid("the cursor's hot spot " + std::to_string(hotSpot.x()) + "," + std::to_string(hotSpot.y())
                    + " lies outside its " + sizeText(image.width(), image.height()) + " image");
        picture.hotSpotX = hotSpot.x();
        picture.hotSpotY = hotSpot.y();
    }
    return picture;
}

PictureImages readPictureImages(const QString &source)
{
    const QImage image = readImage(source);
    return {image, doubleSizeSibling(source, image.size())};
}

Picture QtPictureLoader::loadPicture(const std::string &path)
{
    const QString source = QString::fromStdString(path);
    const DecodedPicture decoded = readPicture(source);
    keptPictures()[path] = PictureImages{decoded.image, doubleSizeSibling(source, decoded.image.size())};
    return Picture{path, decoded.hotSpotX, decoded.hotSpotY};
}

std::optional<PictureImages> QtPictureLoader::keptImages(const std::string &path)
{
    const auto found = keptPictures().find(path);
    if (found == keptPictures().end())
        return std::nullopt;
    return found->second;
}

} // namespace drillix
