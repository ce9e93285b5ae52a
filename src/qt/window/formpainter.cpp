#include "qt/window/formpainter.h"

#include "qt/platform/appearance/pictures.h"
#include "qt/window/qtcolours.h"

#include <QPainter>

namespace drillix {

namespace {

Qt::Alignment toQtAlignment(Alignment a)
{
    switch (a) {
    case Alignment::Center:
        return Qt::AlignHCenter;
    case Alignment::Right:
        return Qt::AlignRight;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

} // namespace

QPixmap FormPainter::pixmap(const Picture &picture, qreal devicePixelRatio)
{
    return picture.isNull() ? QPixmap() : pixmapForPicture(QString::fromStdString(picture.source), devicePixelRatio);
}

void FormPainter::paint(QPainter &painter, const Form &form, const QRect &dirty)
{
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    painter.fillRect(dirty, toQColor(form.backColour()));
    for (const Control *control : form.stackingOrder()) {
        if (control->isWindowed() || !control->visible())
            continue;
        if (!toPixels(control->geometry()).intersects(dirty))
            continue;
        paintControl(painter, *control, dpr);
    }
}

void FormPainter::paintControl(QPainter &painter, const Control &control, qreal dpr)
{
    const QRect rect = toPixels(control.geometry());
    switch (control.kind()) {
    case ControlKind::Picture: {
        // An empty picture control draws nothing: the drop targets are
        // invisible this way.
        const QPixmap pm = pixmap(control.picture(), dpr);
        if (pm.isNull())
            return;
        painter.save();
        painter.setClipRect(rect);
        // Smooth also when unstretched: at a fractional scale the picture
        // for the nearest density is still resampled.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (control.stretch()) {
            painter.drawPixmap(rect, pm);
        } else {
            painter.drawPixmap(rect.topLeft(), pm);
        }
        painter.restore();
        return;
    }
    case ControlKind::Label: {
        if (!control.backTransparent())
            painter.fillRect(rect, toQColor(control.backColour()));
        painter.save();
        painter.setClipRect(rect);
        painter.setFont(toQFont(control.font()));
        painter.setPen(toQColor(control.foreColour()));
        // Labels wrap at word boundaries within their width.
        const int flags = Qt::AlignTop | Qt::TextWordWrap | static_cast<int>(toQtAlignment(control.alignment()));
        painter.drawText(rect, flags, QString::fromStdString(control.caption()));
        painter.restore();
        return;
    }
    case ControlKind::Rectangle: {
        painter.save();
        painter.setPen(QPen(designPalette().color(QPalette::WindowText), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        painter.restore();
        return;
    }
    default:
        return;
    }
}

} // namespace drillix
