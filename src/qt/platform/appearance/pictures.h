#pragma once

// Pictures and cursors from files or Qt resources, read without trusting
// them, and kept in one cache for the life of the program: the window's
// pictures, the cursors made from them and what the picture loader loaded
// (so that a cursor file deleted or replaced while the quiz runs changes
// nothing). GUI thread only, with a QGuiApplication running.
//
// On screens with a device pixel ratio above 1 a picture's double-size
// sibling is used when it is there and exactly twice the size: "map@2x.jpg"
// beside "map.jpg", and a PNG for an icon or a cursor ("pin@2x.png" beside
// "pin.ico"), since their larger drawings are made as PNG. Skins follow the
// same rule, as Qt's style sheets do.

#include "core/platform.h"

#include <QCursor>
#include <QImage>
#include <QPixmap>

namespace drillix {

// Larger pictures are refused before they are decoded (memory).
inline constexpr int kPictureSideLimit = 2048;
// No image Qt decodes may take more, whoever asks it to and whatever the
// file's header said: the map at double size, the largest of the program's
// own, takes 8.6 MB, and a skin's pictures may take 32 MB in all. Set for
// the whole process before any picture or skin picture is decoded.
inline constexpr qint64 kDecodedImageLimit = 32 * 1024 * 1024;

// The file's bytes; a picture file or a skin file is read up to 1 MB. A
// missing file, a folder, a dangling link, a pipe, a device or one over the
// limit is refused without reading or waiting; `what` ("Skin file") starts
// the Failure text.
QByteArray readBoundedFile(const QString &path, const std::string &what = "Picture file", qint64 limit = 1 << 20);
// Adds to `total` the bytes the picture file takes once Qt decodes every
// image in it, each as large as Qt decodes it: an icon's or a cursor's by
// their own headers, whatever the file's directory says. Throws Failure,
// whose text starts with `what`, for a file Qt cannot read, an icon image
// over 256 x 256, or a total over kDecodedImageLimit.
void addDecodedSize(const QString &path, const std::string &what, qint64 &total);

struct DecodedPicture {
    QImage image;
    int hotSpotX = 0;
    int hotSpotY = 0;
};

// Any picture Qt reads, whatever the file is named; icons and cursors have
// their directory checked first, and a cursor gives its hot spot. Throws
// Failure, whose text starts "Invalid picture".
DecodedPicture decodePicture(QByteArray bytes);

// The picture for a screen of this ratio; null when it cannot be read.
QPixmap pixmapForPicture(const QString &source, qreal screenRatio);

// The default arrow for a null or unreadable picture: the pointer never fails.
QCursor cursorForPicture(const Picture &picture, qreal screenRatio);

class QtPictureLoader final : public PictureLoader
{
public:
    Picture loadPicture(const std::string &path) override;
};

} // namespace drillix
