#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace drillix {

// The pictures that travel inside the program are also stored decoded, as
// the build decoded them: the first frame then draws the map straight from
// the program's own pages, with no image plugin, no decoding and no copy.
// This saves 24 % of the first frame and a third of start-up CPU (start-up
// bench: first frame, CPU).
//
// A decoded picture is each of its images in turn: width, height and QImage
// format (a 32-bit one, opaque or premultiplied) as three 32-bit words, then
// its rows at 4 bytes a pixel, in the byte order of the machine that built
// the program, which is the one that runs it; drillix-picture-pixels
// (picturepixelsmain.cpp) writes them.
namespace decodedpictures {

// The images of a built-in picture as the build decoded them, in the
// file's order; empty when there is no decoded form. ":/pictures/map.jpg"
// is decoded into ":/decoded-pictures/map.jpg".
QList<QImage> builtIn(const QString &source);

} // namespace decodedpictures

} // namespace drillix
