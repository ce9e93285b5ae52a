#include "qt/window/qtcolours.h"

#include <cmath>

namespace drillix {

namespace {

QPalette makeDesignPalette()
{
    // Shades derived as Qt derives its own, to the last bit, so that the
    // style draws exactly what it draws on a desktop without a theme.
    const QColor face(0xef, 0xef, 0xef);
    const QColor dark = face.darker(150);
    const QColor mid = face.darker(130);
    const QColor shadow = dark.darker(135);
    QPalette p(Qt::black, face, face.lighter(150), dark, mid, Qt::black, Qt::white, Qt::white, face);
    p.setColor(QPalette::Midlight, mid.lighter(110));
    p.setColor(QPalette::Shadow, shadow);
    p.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 0x80));
    const QColor greyedOut(0xbe, 0xbe, 0xbe);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, greyedOut);
    p.setColor(QPalette::Disabled, QPalette::Base, face);
    p.setColor(QPalette::Disabled, QPalette::Dark, QColor(0xd1, 0xd1, 0xd1).darker(110));
    p.setColor(QPalette::Disabled, QPalette::Shadow, shadow.lighter(150));
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x91, 0x91, 0x91));
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    // Qt's own palette gives the accent its highlight colours.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Accent, p.color(group, QPalette::Highlight));
#endif
    return p;
}

} // namespace

const QPalette &designPalette()
{
    static const QPalette palette = makeDesignPalette();
    return palette;
}

QColor toQColor(Colour colour)
{
    if (isSystemColour(colour)) {
        const QPalette &palette = designPalette();
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
