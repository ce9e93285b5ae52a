#include "qt/window/formwidget.h"

#include "qt/platform/qtdiagnostics.h"
#include "qt/platform/appearance/pictures.h"
#include "qt/platform/appearance/decodedpictures.h"
#include "qt/window/devicepointer.h"
#include "qt/window/qtcolours.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace drillix {

FormWidget::FormWidget(Form &form, QWidget *parent)
    : QWidget(parent)
    , m_form(form)
{
    setObjectName(QString::fromStdString(form.name()));
    const WindowSettings &s = form.settings();
    setFixedSize(toPixels(s.clientWidth), toPixels(s.clientHeight));

    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                            | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    if (s.minimiseButton)
        flags |= Qt::WindowMinimizeButtonHint;
    if (s.maximiseButton)
        flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
    setFont(toQFont(s.font));
    // The window is a designed picture: its controls keep the light look
    // they were designed in on a dark desktop too.
    setPalette(designPalette());
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);

    for (Control *control : form.controls())
        controlAdded(*control);
    form.addObserver(this);
    // Placed before the native window exists, so that the position is taken
    // as the frame's: the window manager keeps the title bar where it is put.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(placement(size(), screen->availableGeometry()));
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_devicePointer = std::make_unique<DevicePointer>(static_cast<quint32>(winId()));
        QCoreApplication::instance()->installNativeEventFilter(m_devicePointer.get());
    }
    formChanged(FormProperty::Caption);
}

FormWidget::~FormWidget()
{
    if (m_devicePointer)
        QCoreApplication::instance()->removeNativeEventFilter(m_devicePointer.get());
    m_form.removeObserver(this);
}

QPoint FormWidget::placement(const QSize &window, const QRect &available)
{
    auto along = [](int start, int room, int length) {
        return length <= room ? start + (room - length) / 2 : start;
    };
    return QPoint(along(available.left(), available.width(), window.width()),
                  along(available.top(), available.height(), window.height()));
}

void FormWidget::showWithFocus()
{
    show();

    // Keyboard focus follows the designed tab order and starts at its head.
    QList<QPair<int, QWidget *>> ordered;
    for (auto it = m_windowed.constBegin(); it != m_windowed.constEnd(); ++it) {
        if (it.key()->tabIndex() >= 0)
            ordered.append({it.key()->tabIndex(), it.value()});
    }
    std::sort(ordered.begin(), ordered.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (qsizetype i = 1; i < ordered.size(); ++i)
        QWidget::setTabOrder(ordered[i - 1].second, ordered[i].second);
    for (const auto &entry : ordered) {
        if (entry.second->isVisible()) {
            entry.second->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

void FormWidget::controlAdded(const Control &control)
{
    if (control.isWindowed())
        createWindowed(control);
    update();
}

void FormWidget::createWindowed(const Control &control)
{
    QWidget *widget = nullptr;
    switch (control.kind()) {
    case ControlKind::PushButton: {
        auto *button = new QPushButton(this);
        Control *c = const_cast<Control *>(&control);
        connect(button, &QPushButton::clicked, this, [this, c] { m_form.click(*c); });
        widget = button;
        break;
    }
    case ControlKind::TextBox:
        widget = new QLineEdit(this);
        break;
    default:
        return; // only buttons and text boxes are windows of their own
    }
    widget->setObjectName(QString::fromStdString(control.displayName()));
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    m_windowed.insert(&control, widget);
    syncWindowed(control);
}

void FormWidget::syncWindowed(const Control &control)
{
    QWidget *widget = m_windowed.value(&control);
    if (!widget)
        return;
    widget->setGeometry(toPixels(control.geometry()));
    widget->setFont(toQFont(control.font()));
    QPalette pal = widget->palette();
    pal.setColor(QPalette::ButtonText, toQColor(control.foreColour()));
    pal.setColor(QPalette::Text, toQColor(control.foreColour()));
    pal.setColor(QPalette::Button, toQColor(control.backColour()));
    pal.setColor(QPalette::Base, toQColor(control.backColour()));
    widget->setPalette(pal);
    const QString caption = QString::fromStdString(control.caption());
    if (auto *button = qobject_cast<QPushButton *>(widget))
        button->setText(caption);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget); edit && edit->text() != caption)
        edit->setText(caption);
    widget->setVisible(control.visible());
}

void FormWidget::controlChanged(const Control &control, Property what)
{
    if (control.isWindowed()) {
        syncWindowed(control);
        return;
    }
    if (what == Property::Tag || what == Property::DragMode)
        return; // nothing to see
    if (what == Property::DragIcon) {
        updateDragPointer();
        return;
    }
    if (what == Property::Geometry)
        update();
    else
        update(toPixels(control.geometry()));
}

void FormWidget::formChanged(FormProperty what)
{
    switch (what) {
    case FormProperty::Caption:
        setWindowTitle(QString::fromStdString(m_form.caption()));
        break;
    case FormProperty::Icon:
        if (m_firstFramePainted)
            updateIcon();
        break;
    case FormProperty::MousePointer:
    case FormProperty::MouseIcon:
        updatePointer();
        break;
    case FormProperty::Drag:
        updateDragPointer();
        break;
    case FormProperty::BackColour:
    case FormProperty::ZOrder:
        update();
        break;
    }
}

void FormWidget::unloaded()
{
    hide();
    Q_EMIT formUnloaded();
}

void FormWidget::updatePointer()
{
    // The pointer setting covers the whole window, buttons included: they
    // take the window's cursor since they set none of their own.
    if (m_form.mousePointer() == kPointerCustom && !m_form.mouseIcon().isNull())
        setCursor(cursorForPicture(m_form.mouseIcon()));
    else
        setCursor(Qt::ArrowCursor);
}

void FormWidget::updateDragPointer()
{
    // While a drag lasts its picture wins over every other pointer, even
    // outside the window.
    Control *source = m_form.dragSource();
    if (m_dragCursorActive) {
        QGuiApplication::restoreOverrideCursor();
        m_dragCursorActive = false;
    }
    if (source) {
        const QCursor cursor = source->dragIcon().isNull() ? QCursor(Qt::DragMoveCursor)
                                                           : cursorForPicture(source->dragIcon());
        QGuiApplication::setOverrideCursor(cursor);
        m_dragCursorActive = true;
    }
}

QPoint FormWidget::toTwips(const QPointF &pos) const
{
    const qreal ratio = devicePixelRatioF();
    QPointF p = pos;
    // Qt rounds the position to a whole logical pixel; the X server's own
    // device position, when it belongs to this event, is exact.
    if (ratio > 1.0 && m_devicePointer) {
        if (const auto device = m_devicePointer->lastPosition()) {
            const QPointF exact = *device / ratio;
            if (std::abs(exact.x() - pos.x()) <= 0.5 && std::abs(exact.y() - pos.y()) <= 0.5)
                p = exact;
        }
    }
    // The centre of the device pixel lies half a device pixel in. Every
    // region edge lies on a whole logical pixel, so a drop lands on the same
    // control at any scale.
    const qreal half = 0.5 / ratio;
    return QPoint(static_cast<int>(std::floor((p.x() + half) * kTwipsPerPixel)),
                  static_cast<int>(std::floor((p.y() + half) * kTwipsPerPixel)));
}

void FormWidget::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    m_painter.paint(painter, m_form, event->rect());
    if (!m_firstFramePainted) {
        m_firstFramePainted = true;
        QMetaObject::invokeMethod(this, &FormWidget::updateIcon, Qt::QueuedConnection);
    }
}

void FormWidget::updateIcon()
{
    if (m_form.icon().isNull()) {
        setWindowIcon(QIcon());
        return;
    }
    const QString source = QString::fromStdString(m_form.icon().source);
    const QList<QImage> decoded = decodedpictures::builtIn(source);
    if (decoded.isEmpty()) {
        setWindowIcon(QIcon(source));
        return;
    }
    QIcon icon;
    for (const QImage &size : decoded)
        icon.addPixmap(QPixmap::fromImage(size));
    setWindowIcon(icon);
}

void FormWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // A drag still on at a new press lost its release outside the window:
    // it ends unjudged, and this press counts on its own.
    m_form.cancelDrag();
    const QPoint t = toTwips(event->position());
    m_form.pressMouse(t.x(), t.y());
}

void FormWidget::mouseMoveEvent(QMouseEvent *event)
{
    // The button went up where the window could not hear it.
    if (m_form.dragging() && !(event->buttons() & Qt::LeftButton))
        m_form.cancelDrag();
    const QPoint t = toTwips(event->position());
    m_form.moveMouse(t.x(), t.y());
}

void FormWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint t = toTwips(event->position());
    m_form.releaseMouse(t.x(), t.y());
}

void FormWidget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_form.dragging()) {
        m_form.cancelDrag();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FormWidget::hideEvent(QHideEvent *event)
{
    // Minimised, or gone with its workspace: the release will not come here.
    m_form.cancelDrag();
    QWidget::hideEvent(event);
}

void FormWidget::changeEvent(QEvent *event)
{
    // Another window became active (a box, another program): the release
    // may go there.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        m_form.cancelDrag();
    QWidget::changeEvent(event);
}

void FormWidget::closeEvent(QCloseEvent *event)
{
    if (!m_form.loaded()) {
        event->accept();
        return;
    }
    // The close box takes the same way out as the Exit button.
    try {
        m_form.unload();
    } catch (const std::exception &e) {
        qCWarning(lcDrillix, "unload failed: %s", e.what());
    }
    event->accept();
}

bool FormWidget::handleButtonKey(QPushButton *button, QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    // On the desktop Return and Enter press a focused button as Space does.
    // The first press clicks; repeats and the release are taken here too, so
    // that a theme that already presses buttons with Return adds no click.
    if (event->type() == QEvent::KeyPress && !event->isAutoRepeat())
        button->click();
    return true;
}

bool FormWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto *button = qobject_cast<QPushButton *>(watched);
        if (button && handleButtonKey(button, static_cast<QKeyEvent *>(event)))
            return true;
    }
    if (event->type() == QEvent::MouseMove) {
        for (auto it = m_windowed.constBegin(); it != m_windowed.constEnd(); ++it) {
            if (it.value() == watched) {
                auto *me = static_cast<QMouseEvent *>(event);
                const QPoint t = toTwips(me->position());
                m_form.mouseMoveOver(*const_cast<Control *>(it.key()), t.x(), t.y());
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace drillix
