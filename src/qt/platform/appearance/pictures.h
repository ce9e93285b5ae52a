#pragma once

// Pictures and cursors from files or Qt resources, read without trusting
// them, and kept in one cache for the life of the program: the window's
// pictures, the cursors made from them and what the picture loader loaded
// (so that a cursor file deleted or replaced while the quiz runs changes
// nothing). GUI thread only, with a QGuiApplication running.
//
// On screens with a device pixel ratio above 1 a picture's double-size
// sibling (doubleSizeName()) is used when it is there and exactly twice the
// size; skins follow the same rule, as Qt's style sheets do.

#include "core/platform.h"

#include <QByteArray>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <string>

namespace drillix {

inline constexpr qint64 kPictureFileLimit = 1024 * 1024;
// Larger pictures are refused before they are decoded (memory).
inline constexpr int kPictureSideLimit = 2048;

// Refuse a missing file, a folder, a dangling link, a device or one over the
// limit before a byte is read; `what` ("Skin file") starts the Failure text.
void checkBoundedFile(const QString &path, const std::string &what, qint64 limit);
QByteArray readBoundedFile(const QString &path, const std::string &what, qint64 limit);
// A picture's size in pixels, as "640 x 480".
std::string sizeText(qint64 width, qint64 height);
// In megabytes, as "1.1 MB", rounded up so that a size over a limit never
// reads as the limit; every limit is a megabyte or more.
std::string describeSize(qint64 bytes);

struct DecodedPicture {
    QImage image;
    int hotSpotX = 0;
    int hotSpotY = 0;
};

// Any picture Qt reads, whatever the file is named; icons and cursors have
// their directory checked first, and a cursor gives its hot spot. Throws
// Failure, whose text starts "Invalid picture".
DecodedPicture decodePicture(const QByteArray &bytes);

// "dir/map.jpg" -> "dir/map@2x.jpg". Icons and cursors take a PNG sibling
// ("pin.ico" -> "pin@2x.png"), since their larger drawings are made as PNG.
QString doubleSizeName(const QString &path);

// The picture for a screen of this ratio; null when it cannot be read.
QPixmap pixmapForPicture(const QString &source, qreal screenRatio);

// The default arrow for a null or unreadable picture: the pointer never fails.
QCursor cursorForPicture(const Picture &picture, qreal screenRatio = qGuiApp->devicePixelRatio());

class QtPictureLoader final : public PictureLoader
{
public:
    Picture loadPicture(const std::string &path) override;
};

} // namespace drillix
