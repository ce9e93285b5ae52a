#pragma once

// Mouse cursors made from the pictures of the form model, for the front end.
//
// A picture's source is a file path or a Qt resource (":/pictures/pin.ico");
// its hot spot is in the picture's own pixels. A picture that the picture
// loader loaded is drawn from the images it kept; others (the program's own
// resources) are read when first needed. On a screen at device pixel
// ratio 2 (or more) a sibling named like the source with "@2x.png" in place
// of the extension (":/pictures/pin@2x.png"), at exactly twice the size, is
// used instead; without one the picture is doubled pixel for pixel, so the
// cursor keeps its size. Qt 6.4 on X11 shows a cursor's pixmap pixel for
// pixel and takes the hot spot in those pixels, so the hot spot is doubled
// with the image.
//
// A null picture, or one that cannot be read, gives the default arrow: the
// pointer must never fail. Cursors are kept in a small cache, dropped when
// the application ends. GUI thread only, with a QGuiApplication running.

#include "core/platform.h"

#include <QCursor>

namespace drillix {

// For the application's highest screen ratio.
QCursor cursorForPicture(const Picture &picture);
QCursor cursorForPicture(const Picture &picture, qreal screenRatio);

} // namespace drillix
