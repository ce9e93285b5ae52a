#pragma once

// Pictures and cursors from files (or Qt resources). The file is read
// whole, at most 1 MB, and must decode as an image that Qt reads: PNG, BMP,
// JPEG, GIF, ICO, CUR and the other formats of the installed plug-ins. The
// name's extension is not consulted, so a PNG named HAND-M.CUR loads, as a
// picture with its hot spot at the top-left pixel.
//
// Icons and cursors have their directory checked before Qt sees them: a
// header or an image cut short, image data outside the file or an image
// declared larger than the format allows are refused. A cursor's hot spot is
// that of its first image, and must lie inside it.
//
// The loader keeps what it loaded for the life of the program, with the
// picture's double-size sibling for high-resolution screens ("HAND-M.CUR"
// -> "HAND-M@2x.png", used when exactly twice the size): the cursors are
// made from the kept images, so that a file deleted or replaced while the
// quiz runs changes nothing.

#include "core/platform.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>
#include <string>

namespace drillix {

struct DecodedPicture {
    QImage image;
    int hotSpotX = 0;
    int hotSpotY = 0;
};

inline constexpr qint64 kPictureFileLimit = 1024 * 1024;
// Larger pictures are refused before they are decoded (memory).
inline constexpr int kPictureSideLimit = 2048;

// Checks and decodes a picture file's bytes. Throws Failure, whose text
// starts "Invalid picture".
DecodedPicture decodePicture(const QByteArray &bytes);

// A picture's pixels and, when its sibling is usable, the same at twice
// the size (null otherwise).
struct PictureImages {
    QImage image;
    QImage doubleSize;
};

// Reads a picture file or resource and its sibling. Throws Failure when the
// picture itself cannot be read; a missing or unusable sibling is left out.
PictureImages readPictureImages(const QString &source);

class QtPictureLoader final : public PictureLoader
{
public:
    Picture loadPicture(const std::string &path) override;

    // What loadPicture() kept for this path; nothing for a path it never
    // loaded. GUI thread only.
    static std::optional<PictureImages> keptImages(const std::string &path);
};

} // namespace drillix
