#include "qt/platform/appearance/pictures.h"

#include "qt/platform/appearance/decodedpictures.h"
#include "qt/platform/sidefiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QLoggingCategory>
#include <QtEndian>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace drillix {

namespace {

Q_LOGGING_CATEGORY(lcPictures, "drillix.pictures")

constexpr int kIconSideLimit = 256;

[[noreturn]] void invalid(const std::string &why, const std::string &what = {})
{
    throw Failure(what + "Invalid picture (" + why + ")");
}

// A picture's size in pixels, as "640 x 480".
std::string sizeText(qint64 width, qint64 height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// In megabytes, as "1.1 MB", rounded up so that a size over a limit never
// reads as the limit; every limit is a megabyte or more.
std::string describeSize(qint64 bytes)
{
    return QString::number(double((bytes * 10 + (1 << 20) - 1) >> 20) / 10, 'g', 15).toStdString() + " MB";
}

// The sizes of an icon's or a cursor's images from their own headers, which
// are what Qt decodes, whatever the file's directory says; empty for other
// pictures. Fails, after `what`, for a damaged file or an image over 256 x 256.
//
// Icons and cursors: reserved 0, type (1 icon, 2 cursor), image count, then
// a 16-byte entry per image, whose words at 4 and 6 are a cursor's hot spot
// (bytes 10 and 12 of the file for the first). Each image is a PNG, or a
// bitmap header whose height counts the colour and the mask rows.
QList<QSize> iconImageSizes(const QByteArray &bytes, const std::string &what = {})
{
    const char *data = bytes.constData();
    if (bytes.size() < 4 || qFromLittleEndian<quint16>(data) != 0 || (bytes[2] != 1 && bytes[2] != 2) || bytes[3] != 0)
        return {};
    const qsizetype count = bytes.size() < 6 ? 0 : qFromLittleEndian<quint16>(data + 4);
    if (count == 0 || bytes.size() < 6 + 16 * count)
        invalid(bytes.size() < 6 + 16 * count ? "its header is cut short" : "it holds no images", what);
    QList<QSize> sizes;
    for (qsizetype entry = 6; entry < 6 + 16 * count; entry += 16) {
        const std::string image = "image " + std::to_string((entry - 6) / 16 + 1) + " of " + std::to_string(count);
        const qint64 size = qFromLittleEndian<quint32>(data + entry + 8);
        const qint64 offset = qFromLittleEndian<quint32>(data + entry + 12);
        if (size == 0 || offset < 6 + 16 * count || offset + size > bytes.size())
            invalid(image + " lies outside the file", what);
        const bool png = bytes.mid(offset, 8) == QByteArray("\x89PNG\r\n\x1a\n", 8);
        if (size < (png ? 24 : 40))
            invalid(image + " is cut short", what);
        const char *header = data + offset;
        const qint64 width = png ? qFromBigEndian<quint32>(header + 16) : qFromLittleEndian<qint32>(header + 4);
        const qint64 height = png ? qFromBigEndian<quint32>(header + 20) : qFromLittleEndian<qint32>(header + 8) / 2;
        if (width <= 0 || height <= 0 || width > kIconSideLimit || height > kIconSideLimit)
            invalid(image + " declares " + sizeText(width, height) + " pixels; the most is "
                        + sizeText(kIconSideLimit, kIconSideLimit), what);
        sizes.append(QSize(int(width), int(height)));
    }
    return sizes;
}

// Each picture as it was first read, and its double-size sibling as it was
// first looked for (on a high-resolution screen, or by the loader): null
// when it cannot be read or used. Emptied as the application ends, so that
// no pixmap outlives it.
using Cache = QHash<std::pair<QString, bool>, QPixmap>;
Cache &cache()
{
    static Cache pictures = (qAddPostRoutine([] { cache().clear(); }), Cache());
    return pictures;
}

// The picture, or its sibling, as first read; null when it cannot be. The
// sibling is looked for only beside a picture that was read, and is used
// only when it is exactly twice that picture's size.
QPixmap cached(const QString &source, bool doubleSize)
{
    if (const auto found = cache().constFind({source, doubleSize}); found != cache().cend())
        return *found;
    // "dir/map.jpg" has "dir/map@2x.jpg"; an icon or a cursor has a PNG.
    const QFileInfo info(source);
    const bool icon = QStringList{"ico", "cur"}.contains(info.suffix(), Qt::CaseInsensitive);
    const QString sibling = info.path() + u'/' + info.completeBaseName() + "@2x." + (icon ? "png" : info.suffix());
    const QString file = doubleSize ? sibling : source;
    const QSize twice = doubleSize ? cached(source, false).size() * 2 : QSize();
    // A picture inside the program may be stored decoded by the build.
    const QList<QImage> stored = decodedpictures::builtIn(file);
    QPixmap pixmap;
    try {
        if (!doubleSize || (!twice.isEmpty() && QFileInfo::exists(file)))
            pixmap = QPixmap::fromImage(stored.isEmpty() ? decodePicture(readBoundedFile(file)).image : stored.first());
        if (doubleSize && !pixmap.isNull() && pixmap.size() != twice)
            throw Failure("it is not twice the size of " + source.toStdString());
    } catch (const std::exception &failure) {
        pixmap = QPixmap();
        qCWarning(lcPictures) << file << "is left out:" << failure.what();
    }
    pixmap.setDevicePixelRatio(doubleSize ? 2 : 1);
    return *cache().insert({source, doubleSize}, pixmap);
}

} // namespace

QByteArray readBoundedFile(const QString &path, const std::string &what, qint64 limit)
{
    // Opened without waiting and checked as opened, so that a pipe or a
    // device in the file's place never blocks the thread, not even one put
    // there after a look at the name. Qt's own resources are Qt's to open.
    QFile file(path);
    const bool resource = path.startsWith(u':');
    const int fd = resource ? -1 : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (resource ? !file.open(QIODevice::ReadOnly) : fd < 0 && (errno == ENOENT || errno == ENOTDIR))
        throw Failure(what + (QFileInfo(path).isSymLink() ? " is a link to a file that does not exist" : " not found"));
    struct stat info = {};
    // Once open, the file owns the descriptor and closes it, whatever follows.
    if (!resource && (fd < 0 || !file.open(fd, QFile::ReadOnly, QFile::AutoCloseHandle) || ::fstat(fd, &info) != 0))
        throw Failure(what + " cannot be read (" + std::strerror(errno) + ")");
    if (!resource && !S_ISREG(info.st_mode))
        throw Failure(what + (S_ISDIR(info.st_mode) ? " is a folder, not a file" : " is not a normal file"));
    // Reads wait for data again (a resource's descriptor is -1, left alone).
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (file.size() > limit)
        throw Failure(what + " is too large (" + describeSize(file.size()) + "; the limit is " + describeSize(limit)
                      + ')');
    // One byte more than allowed tells a file that grew since the check.
    const QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        throw Failure(what + " cannot be read (" + file.errorString().toStdString() + ")");
    if (bytes.size() > limit)
        throw Failure(what + " is too large (over " + describeSize(limit) + ")");
    return bytes;
}

void addDecodedSize(const QString &path, const std::string &what, qint64 &total)
{
    QImageReader::setAllocationLimit(int(kDecodedImageLimit >> 20));
    QByteArray bytes = readBoundedFile(path, what, kDecodedImageLimit);
    QList<QSize> sizes = iconImageSizes(bytes, what + ": ");
    if (sizes.isEmpty()) {
        QBuffer buffer(&bytes);
        // Named by its suffix first and then by its content, as Qt reads the file.
        QImageReader reader(&buffer, QFileInfo(path).suffix().toLatin1());
        const QSize size = reader.size();
        if (size.isEmpty())
            throw Failure(what + " is not a picture that Qt reads (" + reader.errorString().toStdString() + ")");
        sizes.fill(size, std::max(1, reader.imageCount()));
    }
    QSize largest;
    for (const QSize &size : sizes) {
        total += qint64(size.width()) * size.height() * 4;
        largest = largest.expandedTo(size);
    }
    if (total > kDecodedImageLimit)
        throw Failure(what + " is " + (sizes.size() > 1 ? std::to_string(sizes.size()) + " images of up to " : "")
                      + sizeText(largest.width(), largest.height()) + " pixels, which brings the skin's pictures to "
                      + describeSize(total) + " once decoded; the limit is " + describeSize(kDecodedImageLimit));
}

DecodedPicture decodePicture(QByteArray bytes)
{
    if (bytes.isEmpty())
        invalid("the file is empty");
    QImageReader::setAllocationLimit(int(kDecodedImageLimit >> 20));
    const int iconType = iconImageSizes(bytes).isEmpty() ? 0 : bytes[2]; // 1 for an icon, 2 for a cursor
    QBuffer buffer(&bytes);
    // A named format loads the one plugin that reads it, not every one.
    QImageReader reader(&buffer, iconType == 1 ? "ico" : iconType == 2 ? "cur" : "");
    reader.setAutoDetectImageFormat(iconType == 0);
    const QSize declared = reader.size();
    if (declared.width() > kPictureSideLimit || declared.height() > kPictureSideLimit)
        invalid("it declares " + sizeText(declared.width(), declared.height()) + " pixels; the most is "
                + sizeText(kPictureSideLimit, kPictureSideLimit));
    // Only read() tells: canRead() turns down some cursors that it decodes.
    const QImage image = reader.read();
    if (image.isNull())
        throw Failure("Invalid picture");
    if (image.width() > kPictureSideLimit || image.height() > kPictureSideLimit)
        invalid("it has " + sizeText(image.width(), image.height()) + " pixels; the most is "
                + sizeText(kPictureSideLimit, kPictureSideLimit));
    const int x = iconType == 2 ? qFromLittleEndian<quint16>(bytes.constData() + 10) : 0;
    const int y = iconType == 2 ? qFromLittleEndian<quint16>(bytes.constData() + 12) : 0;
    if (x >= image.width() || y >= image.height())
        invalid("the cursor's hot spot " + std::to_string(x) + "," + std::to_string(y) + " lies outside its "
                + sizeText(image.width(), image.height()) + " image");
    return {image, x, y};
}

QPixmap pixmapForPicture(const QString &source, qreal screenRatio)
{
    const QPixmap doubleSize = screenRatio > 1 ? cached(source, true) : QPixmap();
    return doubleSize.isNull() ? cached(source, false) : doubleSize;
}

QCursor cursorForPicture(const Picture &picture, qreal screenRatio)
{
    // X11 shows a cursor's pixmap pixel for pixel, hot spot included, so the
    // cursor is doubled only where that is nearer the screen's scale.
    const int scale = screenRatio < 1.5 ? 1 : 2;
    QPixmap pixmap = picture.isNull() ? QPixmap() : pixmapForPicture(QString::fromStdString(picture.source), scale);
    if (pixmap.isNull())
        return QCursor(Qt::ArrowCursor);
    if (pixmap.devicePixelRatio() < scale) {
        pixmap = pixmap.scaled(pixmap.size() * 2);
        pixmap.setDevicePixelRatio(2);
    }
    return QCursor(pixmap, picture.hotSpotX * scale, picture.hotSpotY * scale);
}

Picture QtPictureLoader::loadPicture(const std::string &path)
{
    const QString source = qtFileName(path);
    const DecodedPicture decoded = decodePicture(readBoundedFile(source));
    cache().insert({source, false}, QPixmap::fromImage(decoded.image));
    // The sibling too is taken as it is now.
    cache().remove({source, true});
    cached(source, true);
    return Picture{path, decoded.hotSpotX, decoded.hotSpotY};
}

} // namespace drillix
