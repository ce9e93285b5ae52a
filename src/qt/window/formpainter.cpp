#include "qt/window/formpainter.h"

#include "qt/platform/appearance/decodedpictures.h"
#include "qt/window/qtcolours.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace drillix {

namespace {

QString highDensityName(const QString &source)
{
    const int dot = source.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    return source.left(dot) + QStringLiteral("@2x") + source.mid(dot);
}

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
    if (picture.isNull())
        return {};
    const QString source = QString::fromStdString(picture.source);
    const bool dense = devicePixelRatio > 1.0;
    const QString key = source + (dense ? QStringLiteral("#2x") : QString());
    auto it = m_cache.find(key);
    if (it != m_cache.end())
        return *it;

    QPixmap pm;
    if (dense) {
        const QString big = highDensityName(source);
        if (!big.isEmpty() && QFileInfo::exists(big) && pm.load(big))
            pm.setDevicePixelRatio(2.0);
    }
    if (pm.isNull()) {
        const QList<QImage> decoded = decodedpictures::builtIn(source);
        if (decoded.isEmpty())
            pm.load(source);
        else
            pm = QPixmap::fromImage(decoded.first());
    }
    m_cache.insert(key, pm);
    return pm;
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
