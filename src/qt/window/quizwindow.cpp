#include "qt/window/quizwindow.h"

#include "qt/platform/appearance/pictures.h"
#include "qt/platform/appearance/decodedpictures.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTouchEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <utility>

namespace drillix {

namespace {

const QString kMapPicture = QStringLiteral(":/pictures/map.jpg");
const QString kPanelPicture = QStringLiteral(":/pictures/panel.jpg");
const Picture kPinPicture{":/pictures/pin.ico", layout::kPinHotSpotX, layout::kPinHotSpotY};
const QString kApplicationIcon = QStringLiteral(":/pictures/app.ico");
// The pin stands this far above a fingertip so that the finger does not hide
// it: about 10 mm on a common screen, in the window's own pixels like the map
// it points at, since projectors and whiteboards report no useful size.
const QPointF kTouchLift(0, 40);

// The window is a designed picture: it keeps Qt's own light palette on a dark
// desktop too. Shades are derived as Qt derives its own, to the last bit, so
// that the style draws what it draws on a desktop without a theme.
QPalette designPalette()
{
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

QFont toQFont(const TextStyle &style)
{
    QFont f(QString::fromLatin1(style.family));
    f.setPixelSize(style.pixelSize);
    f.setBold(style.bold);
    // "Arial Narrow" is a family of its own; without it any sans-serif will do.
    f.setStyleHint(QFont::SansSerif);
    return f;
}

QRect toQRect(const Rect &r)
{
    return QRect(r.x, r.y, r.width, r.height);
}

QLabel *makeLabel(QWidget *parent, const QString &text, const Rect &rect, const TextStyle &style, QColor colour,
                  Qt::Alignment alignment)
{
    auto *label = new QLabel(text, parent);
    // Qt drops pointer moves without a button over a widget that does not
    // track them; tracked, they reach the window through the label.
    label->setMouseTracking(true);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignTop | alignment);
    label->setGeometry(toQRect(rect));
    label->setFont(toQFont(style));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

template<class Widget>
Widget *makeControl(QWidget *parent, const char *objectName, const char *text, const Rect &rect,
                    const TextStyle &style)
{
    auto *widget = new Widget(QString::fromUtf8(text), parent);
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setMouseTracking(true);
    widget->setGeometry(toQRect(rect));
    widget->setFont(toQFont(style));
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Button, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    widget->setPalette(palette);
    return widget;
}

} // namespace

// The pin of a touch drag, painted by hand so that skins that restyle labels
// neither frame it nor move its point.
class TouchPin : public QWidget
{
public:
    explicit TouchPin(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void setPicture(const QPixmap &picture)
    {
        m_picture = picture;
        resize(picture.deviceIndependentSize().toSize());
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawPixmap(0, 0, m_picture); }

private:
    QPixmap m_picture;
};

QuizWindow::QuizWindow(Quiz &quiz, QWidget *parent)
    : QWidget(parent)
    , m_quiz(quiz)
{
    setObjectName(QString::fromLatin1(contract::kWindowName));
    setFixedSize(layout::kWindowWidth, layout::kWindowHeight);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // The window's font is the program's: whatever it makes takes it unless
    // it has one, so that nothing is laid out in the desktop's font first;
    // this saves 9 % of the time to the mapped window and 6 % of start-up
    // CPU (start-up bench: map, CPU). Message boxes keep the desktop's font.
    setFont(toQFont(layout::kWindowFont));
    QApplication::setFont(font());
    setPalette(designPalette());
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_AcceptTouchEvents);

    // Children stack in the order they are made, the last in front: the
    // instructions behind the names, each name column's lower rows in front
    // except the first ten, whose upper rows are; the answers come later.
    makeLabel(this, QString::fromLatin1(layout::kInstructionsText), layout::kInstructions, layout::kInstructionsFont,
              Qt::white, Qt::AlignLeft);
    makeLabel(this, QString::fromLatin1(layout::kHeadingText), layout::kHeading, layout::kHeadingFont, Qt::white,
              Qt::AlignLeft);
    auto makeName = [this](int i) {
        m_names[std::size_t(i)] = makeLabel(this, {}, layout::nameRect(i), layout::kNameFont, Qt::white, Qt::AlignLeft);
    };
    for (int i = 9; i >= 0; --i)
        makeName(i);
    for (int i = 10; i < kNameCount; ++i)
        makeName(i);

    m_restart = makeControl<QPushButton>(this, contract::kRestartButtonName, layout::kRestartText,
                                         layout::kRestartButton, layout::kButtonFont);
    m_exit = makeControl<QPushButton>(this, contract::kExitButtonName, layout::kExitText, layout::kExitButton,
                                      layout::kButtonFont);
    // Kept for skins that select it, hidden: neither the keyboard nor a
    // screen reader lands on a nameless text box off the client area.
    makeControl<QLineEdit>(this, contract::kFocusHolderName, layout::kFocusHolderText, layout::kFocusHolder,
                           layout::kWindowFont)
        ->hide();
    // The answers lie in front of all else, the higher index in front.
    for (std::size_t i = 0; i < kNameCount; ++i)
        m_answers[i] = makeLabel(this, {}, layout::kAnswerPlaces[i].rect, layout::kAnswerFont, Qt::black,
                                 Qt::AlignHCenter);
    for (QPushButton *button : {m_restart, m_exit})
        button->installEventFilter(this);
    connect(m_restart, &QPushButton::clicked, this, [this] { m_quiz.restart(); });
    connect(m_exit, &QPushButton::clicked, this, [this] { m_quiz.exit(); });

    // Placed before the native window exists, so that the position is taken
    // as the frame's: the window manager keeps the title bar where it is put.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(placement(size(), screen->availableGeometry()));
    create();
    windowHandle()->installEventFilter(this);
    // Cursors are drawn for the ratio of the screen the window is on.
    connect(windowHandle(), &QWindow::screenChanged, this, [this] {
        m_showsHand = false;
        updatePointer();
    });
    // Every size as the build decoded it, else the icon file itself.
    QIcon icon;
    for (const QImage &size : decodedpictures::builtIn(kApplicationIcon))
        icon.addPixmap(QPixmap::fromImage(size));
    setWindowIcon(icon.isNull() ? QIcon(kApplicationIcon) : icon);

    m_quiz.onChanged([this] { showQuiz(); });
    showQuiz();
}

QuizWindow::~QuizWindow()
{
    m_quiz.onChanged({});
    endDrag();
}

QPoint QuizWindow::placement(const QSize &window, const QRect &available)
{
    auto along = [](int start, int room, int length) { return length <= room ? start + (room - length) / 2 : start; };
    return QPoint(along(available.left(), available.width(), window.width()),
                  along(available.top(), available.height(), window.height()));
}

void QuizWindow::showWithFocus()
{
    show();
    setFocus(Qt::OtherFocusReason);
}

void QuizWindow::showQuiz()
{
    setWindowTitle(QString::fromStdString(m_quiz.caption()));
    for (std::size_t i = 0; i < kNameCount; ++i) {
        const NameLabel &name = m_quiz.names()[i];
        m_names[i]->setText(QString::fromStdString(name.caption));
        m_names[i]->setVisible(name.shown);
        const AnswerLabel &answer = m_quiz.answers()[i];
        // Placed names show bold, and keep it while hidden between games.
        if (answer.shown && m_answers[i]->font().bold() != answer.bold) {
            QFont bold = m_answers[i]->font();
            bold.setBold(answer.bold);
            m_answers[i]->setFont(bold);
        }
        m_answers[i]->setText(QString::fromStdString(answer.caption));
        m_answers[i]->setVisible(answer.shown);
    }
    updatePointer();
}

void QuizWindow::updatePointer()
{
    // Set only when the shape changes: pointer moves come many a second.
    const bool hand = m_quiz.handPointer() && !m_quiz.handCursor().isNull();
    if (hand == m_showsHand)
        return;
    m_showsHand = hand;
    // The buttons set no cursor of their own, so the hand covers them too.
    setCursor(hand ? cursorForPicture(m_quiz.handCursor(), devicePixelRatioF()) : QCursor(Qt::ArrowCursor));
}

void QuizWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    // Smooth also at its own size: at a fractional scale the picture for the
    // nearest density is still resampled.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect map = toQRect(layout::kMapPicture);
    painter.setClipRect(map);
    painter.drawPixmap(map.topLeft(), pixmapForPicture(kMapPicture, devicePixelRatioF()));
    const QRect panel = toQRect(layout::kPanelPicture);
    painter.setClipRect(panel);
    painter.drawPixmap(panel, pixmapForPicture(kPanelPicture, devicePixelRatioF()));
}

QPointF QuizWindow::dropPoint(const QMouseEvent *event) const
{
    QPointF p = event->position();
    if (std::abs(m_windowPointer.x() - p.x()) <= 0.5 && std::abs(m_windowPointer.y() - p.y()) <= 0.5)
        p = m_windowPointer;
    // The centre of the device pixel, half a device pixel in: every edge lies
    // on a whole window pixel, so a drop lands alike at any scale.
    const qreal half = 0.5 / devicePixelRatioF();
    return p + QPointF(half, half);
}

QWidget *QuizWindow::childUnder(const QPointF &point) const
{
    return childAt(QPoint(int(std::floor(point.x())), int(std::floor(point.y()))));
}

int QuizWindow::nameIndexOf(const QWidget *child) const
{
    const auto it = std::find(m_names.begin(), m_names.end(), child);
    return child && it != m_names.end() ? int(it - m_names.begin()) : -1;
}

void QuizWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // A drag still on at a new press lost its release outside the window:
    // it ends unjudged, and this press counts on its own.
    endDrag();
    const QPointF p = dropPoint(event);
    // The drop targets lie in front of the names.
    if (Quiz::regionAt(p.x(), p.y()) >= 0)
        return;
    m_draggedName = nameIndexOf(childUnder(p));
    if (m_draggedName >= 0)
        QGuiApplication::setOverrideCursor(cursorForPicture(kPinPicture, devicePixelRatioF()));
}

void QuizWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (m_draggedName >= 0) {
        // The button went up where the window could not hear it.
        if (!m_draggedByTouch && !(event->buttons() & Qt::LeftButton))
            endDrag();
        return;
    }
    const QPointF p = dropPoint(event);
    QWidget *child = childUnder(p);
    PointerArea area = PointerArea::Other;
    if (child == m_restart || child == m_exit)
        area = PointerArea::Button;
    else if (!child && Quiz::regionAt(p.x(), p.y()) < 0 && !toQRect(layout::kMapPicture).contains(p.toPoint()))
        area = PointerArea::Panel;
    m_quiz.pointerMovedOver(area);
    updatePointer();
}

void QuizWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_draggedName >= 0 && !m_draggedByTouch)
        dropAt(dropPoint(event));
}

bool QuizWindow::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        return touchEvent(static_cast<QTouchEvent *>(event));
    default:
        return QWidget::event(event);
    }
}

bool QuizWindow::touchEvent(QTouchEvent *event)
{
    const QList<QEventPoint> &points = event->points();
    const QPointF finger = points.isEmpty() ? QPointF() : points.first().position();
    if (event->type() == QEvent::TouchBegin) {
        endDrag();
        QWidget *child = childUnder(finger);
        // Left to Qt, which turns it into mouse events: a tap clicks a button.
        if (child == m_restart || child == m_exit) {
            event->ignore();
            return false;
        }
        m_draggedName = points.size() == 1 && Quiz::regionAt(finger.x(), finger.y()) < 0 ? nameIndexOf(child) : -1;
        m_draggedByTouch = m_draggedName >= 0;
        if (m_draggedByTouch) {
            if (!m_touchPin)
                m_touchPin = new TouchPin(this);
            m_touchPin->setPicture(pixmapForPicture(QString::fromStdString(kPinPicture.source), devicePixelRatioF()));
            m_touchPin->raise();
            m_touchPin->show();
        }
    }
    if (!m_draggedByTouch)
        return true;
    // The window pixel the pin's point is drawn on; region edges lie on whole
    // pixels, so a drop there lands where the pin shows.
    const QPoint tip = (finger - kTouchLift).toPoint();
    // A second finger, or a touch the system took back, ends the drag.
    if (points.size() != 1 || event->type() == QEvent::TouchCancel)
        endDrag();
    else if (event->type() == QEvent::TouchEnd)
        dropAt(tip);
    else
        m_touchPin->move(tip - QPoint(kPinPicture.hotSpotX, kPinPicture.hotSpotY));
    return true;
}

void QuizWindow::dropAt(const QPointF &p)
{
    const int name = m_draggedName;
    endDrag();
    if (!rect().contains(p.toPoint()))
        return;
    QWidget *child = childUnder(p);
    if (child == m_restart || child == m_exit)
        return;
    if (const int region = Quiz::regionAt(p.x(), p.y()); region >= 0)
        m_quiz.dropOnRegion(name, region);
    else if (nameIndexOf(child) >= 0)
        m_quiz.dropOnName(name);
}

void QuizWindow::endDrag()
{
    if (m_draggedName < 0)
        return;
    m_draggedName = -1;
    if (std::exchange(m_draggedByTouch, false))
        m_touchPin->hide();
    else
        QGuiApplication::restoreOverrideCursor();
}

void QuizWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_draggedName >= 0) {
        endDrag();
        return;
    }
    QWidget::keyPressEvent(event);
}

void QuizWindow::hideEvent(QHideEvent *event)
{
    // Minimised, or gone with its workspace: the release will not come here.
    endDrag();
    QWidget::hideEvent(event);
}

void QuizWindow::changeEvent(QEvent *event)
{
    // Another window became active (a box, another program): the release
    // may go there.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        endDrag();
    QWidget::changeEvent(event);
}

void QuizWindow::closeEvent(QCloseEvent *event)
{
    // The close box takes the same way out as the Exit button.
    m_quiz.exit();
    event->accept();
}

bool QuizWindow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == windowHandle()) {
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease)
            m_windowPointer = static_cast<QMouseEvent *>(event)->position();
        return false;
    }
    auto *button = qobject_cast<QPushButton *>(watched);
    if (button && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
        auto *key = static_cast<QKeyEvent *>(event);
        // On the desktop Return and Enter press a focused button as Space
        // does. The first press clicks; repeats and the release are taken
        // here too, so that a theme that already presses buttons with
        // Return adds no click.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (type == QEvent::KeyPress && !key->isAutoRepeat())
                button->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace drillix
