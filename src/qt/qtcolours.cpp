#include "qt/qtcolours.h"

#include <cmath>

namespace drillix {

QColor toQColor(Colour colour, const QPalette &palette)
{
    if (isSystemColour(colour)) {
        switch (colour & 0xFF) {
        case 0x0F:
            return palette.color(QPalette::Button);
        case 0x12:
            return palette.color(QPalette::ButtonText);
        case 0x05:
            return palette.color(QPalette::Window);
        case 0x08:
            return palette.color(QPalette::WindowText);
        default:
            return palette.color(QPalette::Window);
        }
    }
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

QFont toQFont(const Font &font)
{
    QFont f(QString::fromStdString(font.name));
    f.setPixelSize(static_cast<int>(std::lround(font.pointSize * 96.0 / 72.0)));
    f.setBold(font.bold);
    // "Arial Narrow" is a family of its own; if it is missing a condensed
    // sans-serif will do.
    f.setStyleHint(QFont::SansSerif);
    return f;
}

int toPixels(int twips)
{
    // To the nearest pixel, halves up, negative positions alike.
    const int t = twips + kTwipsPerPixel / 2;
    return t >= 0 ? t / kTwipsPerPixel : -((-t + kTwipsPerPixel - 1) / kTwipsPerPixel);
}

QRect toPixels(const TwipRect &rect)
{
    const int x = toPixels(rect.left);
    const int y = toPixels(rect.top);
    return QRect(x, y, toPixels(rect.right()) - x, toPixels(rect.bottom()) - y);
}

} // namespace drillix
