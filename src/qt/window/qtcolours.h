#pragma once

#include "form/colour.h"
#include "form/font.h"
#include "form/twips.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>

namespace drillix {

// The light palette the window is designed in, whatever the desktop's theme:
// Qt's own light colours, so that a window that looks right under a light
// desktop looks the same under a dark one.
const QPalette &designPalette();

// A colour reference as Qt sees it; system colours take the design palette's
// values, since the fixed map and panel under them do not follow the theme.
QColor toQColor(Colour colour);

// Point sizes become pixel sizes at 96 dpi (11.25 pt is 15 px), so that
// the layout holds whatever resolution the display reports.
QFont toQFont(const Font &font);

// Twips to logical pixels, 15 to one, to the nearest pixel.
QRect toPixels(const TwipRect &rect);
int toPixels(int twips);

} // namespace drillix
