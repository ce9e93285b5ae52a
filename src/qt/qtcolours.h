#pragma once

#include "form/colour.h"
#include "form/font.h"
#include "form/twips.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>

namespace drillix {

// A colour reference as Qt sees it; system colours come from the palette.
QColor toQColor(Colour colour, const QPalette &palette);

// Point sizes become pixel sizes at 96 dpi (11.25 pt is 15 px), so that
// the layout holds whatever resolution the display reports.
QFont toQFont(const Font &font);

// Twips to logical pixels, 15 to one, to the nearest pixel.
QRect toPixels(const TwipRect &rect);
int toPixels(int twips);

} // namespace drillix
