#pragma once

#include <QByteArray>
#include <QList>
#include <QImage>
#include <QString>

namespace drillix {

// The pictures that travel inside the program are also stored decoded, as
// the build decoded them: the first frame then draws the map straight from
// the program's own pages, with no image plugin, no decoding and no copy.
// This saves the first frame some 4 to 6 ms; the start-up bench's first
// frame ratio against a bare Qt window guards it.
//
// A decoded picture is a small header (magic, a byte-order word, the image
// count), one entry per image (width, height, QImage format), then each
// image's rows at 4 bytes a pixel. It is only read on the kind of machine
// that wrote it; anything else is turned down and the picture is decoded
// from its file as usual.
namespace decodedpictures {

// Where the decoded form of a built-in picture lies: ":/pictures/map.jpg"
// is decoded into ":/decoded-pictures/map.jpg".
inline constexpr const char *kBuiltInFolder = ":/pictures/";
inline constexpr const char *kDecodedFolder = ":/decoded-pictures/";

// The images of a built-in picture as the build decoded them, in the
// file's order; empty when there is no decoded form or it does not read as
// one.
QList<QImage> builtIn(const QString &source);

// The images in a decoded picture's bytes; they point into the bytes,
// which must outlive them. Empty for anything that is not one.
QList<QImage> read(const char *bytes, qsizetype size);

// A decoded picture of the given images, each of which is stored as a
// 32-bit format (opaque or premultiplied).
QByteArray write(const QList<QImage> &images);

} // namespace decodedpictures

} // namespace drillix
