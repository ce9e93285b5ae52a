#include "qt/window/quizwindow.h"

#include "qt/platform/appearance/pictures.h"
#include "qt/platform/appearance/decodedpictures.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <cmath>
#include <utility>

namespace drillix {

namespace {

const Picture kPinPicture{":/pictures/pin.ico", layout::kPinHotSpotX, layout::kPinHotSpotY};
const QString kApplicationIcon = QStringLiteral(":/pictures/app.ico");
// The pin stands this far above a fingertip so that the finger does not hide
// it: about 10 mm on a common screen, in the window's own pixels like the map
// it points at, since projectors and whiteboards report no useful size.
const QPointF kTouchLift(0, 40);

// The window is a designed picture: it keeps Qt's own light palette on a dark
// desktop too, derived to the last bit as Qt derives it, since from Qt 6.5 on
// the style's standard palette turns dark with the desktop.
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
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, QColor(0xbe, 0xbe, 0xbe));
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

template<class Widget>
Widget *makeChild(QWidget *parent, const char *text, const Rect &rect, const TextStyle &style)
{
    auto *widget = new Widget(QString::fromUtf8(text), parent);
    // Qt drops pointer moves without a button over a widget that does not
    // track them; tracked, they reach the window through the child.
    widget->setMouseTracking(true);
    widget->setGeometry(toQRect(rect));
    widget->setFont(toQFont(style));
    return widget;
}

QLabel *makeLabel(QWidget *parent, const Rect &rect, const TextStyle &style, QColor colour, const char *text = "",
                  Qt::Alignment alignment = Qt::AlignLeft)
{
    auto *label = makeChild<QLabel>(parent, text, rect, style);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignTop | alignment);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *objectName, const char *text, const Rect &rect)
{
    auto *button = makeChild<QPushButton>(parent, text, rect, layout::kButtonFont);
    button->setObjectName(QString::fromLatin1(objectName));
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    button->setPalette(palette);
    return button;
}

QWidget *childUnder(const QWidget *window, const QPointF &point)
{
    return window->childAt(QPoint(int(std::floor(point.x())), int(std::floor(point.y()))));
}

} // namespace

// The pin of a touch drag, painted by hand so that skins that restyle labels
// neither frame it nor move its point.
struct TouchPin : QWidget {
    using QWidget::QWidget;
    QPixmap picture;
    void paintEvent(QPaintEvent *) override { QPainter(this).drawPixmap(0, 0, picture); }
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
    // except the first ten, whose upper rows are; then the buttons, the
    // answers (the higher index in front) and the pin of a touch drag.
    makeLabel(this, layout::kInstructions, layout::kInstructionsFont, Qt::white, layout::kInstructionsText);
    makeLabel(this, layout::kHeading, layout::kHeadingFont, Qt::white, layout::kHeadingText);
    for (int i = 9; i >= 0; --i)
        m_names.prepend(makeLabel(this, layout::nameRect(i), layout::kNameFont, Qt::white));
    for (int i = 10; i < kNameCount; ++i)
        m_names.append(makeLabel(this, layout::nameRect(i), layout::kNameFont, Qt::white));
    auto *restart = makeButton(this, contract::kRestartButtonName, layout::kRestartText, layout::kRestartButton);
    auto *exit = makeButton(this, contract::kExitButtonName, layout::kExitText, layout::kExitButton);
    connect(restart, &QPushButton::clicked, this, [this] { m_quiz.restart(); });
    connect(exit, &QPushButton::clicked, this, [this] { m_quiz.exit(); });
    // Kept for skins that select it, hidden: neither the keyboard nor a
    // screen reader lands on a nameless text box off the client area.
    auto *focusHolder = makeChild<QLineEdit>(this, layout::kFocusHolderText, layout::kFocusHolder, layout::kWindowFont);
    focusHolder->setObjectName(QString::fromLatin1(contract::kFocusHolderName));
    focusHolder->hide();
    for (const MapPlace &place : layout::kAnswerPlaces)
        m_answers.append(makeLabel(this, place.rect, layout::kAnswerFont, Qt::black, "", Qt::AlignHCenter));
    m_touchPin = new TouchPin(this);
    m_touchPin->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_touchPin->hide();

    // Placed before the native window exists, so that the position is taken
    // as the frame's: the window manager keeps the title bar where it is put.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(placement(size(), screen->availableGeometry()));
    create();
    windowHandle()->installEventFilter(this);
    // Cursors are drawn for the ratio of the screen the window is on.
    connect(windowHandle(), &QWindow::screenChanged, this, [this] { m_showsHand = false; updatePointer(); });
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
    if (std::exchange(m_showsHand, hand) == hand)
        return;
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
    painter.drawPixmap(map.topLeft(), pixmapForPicture(QStringLiteral(":/pictures/map.jpg"), devicePixelRatioF()));
    const QRect panel = toQRect(layout::kPanelPicture);
    painter.setClipRect(panel);
    painter.drawPixmap(panel, pixmapForPicture(QStringLiteral(":/pictures/panel.jpg"), devicePixelRatioF()));
}

QPointF QuizWindow::dropPoint(const QMouseEvent *event) const
{
    const QPointF offset = m_windowPointer - event->position();
    const QPointF p = std::abs(offset.x()) <= 0.5 && std::abs(offset.y()) <= 0.5 ? m_windowPointer : event->position();
    // The centre of the device pixel, half a device pixel in: every edge lies
    // on a whole window pixel, so a drop lands alike at any scale.
    return p + QPointF(0.5, 0.5) / devicePixelRatioF();
}

int QuizWindow::nameUnder(const QPointF &point) const
{
    // The drop targets lie in front of the names.
    return Quiz::regionAt(point.x(), point.y()) < 0 ? int(m_names.indexOf(childUnder(this, point))) : -1;
}

void QuizWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // A drag still on at a new press lost its release outside the window:
    // it ends unjudged, and this press counts on its own.
    endDrag();
    m_draggedName = nameUnder(dropPoint(event));
    if (m_draggedName >= 0)
        QGuiApplication::setOverrideCursor(cursorForPicture(kPinPicture, devicePixelRatioF()));
}

void QuizWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (m_draggedName >= 0) {
        // The button went up where the window could not hear it.
        if (m_touchPin->isHidden() && !(event->buttons() & Qt::LeftButton))
            endDrag();
        return;
    }
    const QPointF p = dropPoint(event);
    QWidget *child = childUnder(this, p);
    PointerArea area = qobject_cast<QPushButton *>(child) ? PointerArea::Button : PointerArea::Other;
    if (!child && Quiz::regionAt(p.x(), p.y()) < 0 && !toQRect(layout::kMapPicture).contains(p.toPoint()))
        area = PointerArea::Panel;
    m_quiz.pointerMovedOver(area);
    updatePointer();
}

void QuizWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_draggedName >= 0 && m_touchPin->isHidden())
        dropAt(dropPoint(event));
}

bool QuizWindow::event(QEvent *event)
{
    const QEvent::Type type = event->type();
    // Touch events are the only ones with several points: a drag by touch
    // moves the pin; anything else is left to Qt, which turns it into mouse
    // events, so that a tap clicks a button.
    if (event->isPointerEvent() && !event->isSinglePointEvent()) {
        const QList<QEventPoint> &points = static_cast<QTouchEvent *>(event)->points();
        const QPointF finger = points.isEmpty() ? QPointF() : points.first().position();
        if (type == QEvent::TouchBegin) {
            endDrag();
            if (qobject_cast<QPushButton *>(childUnder(this, finger)))
                return QWidget::event(event);
            m_draggedName = points.size() == 1 ? nameUnder(finger) : -1;
            if (m_draggedName >= 0) {
                m_touchPin->picture = pixmapForPicture(QString::fromStdString(kPinPicture.source), devicePixelRatioF());
                m_touchPin->resize(m_touchPin->picture.deviceIndependentSize().toSize());
                m_touchPin->show();
            }
        }
        if (m_touchPin->isHidden())
            return true;
        // The window pixel the pin's point is drawn on; region edges lie on
        // whole pixels, so a drop there lands where the pin shows.
        const QPoint tip = (finger - kTouchLift).toPoint();
        // A second finger, or a touch the system took back, ends the drag.
        if (points.size() != 1 || type == QEvent::TouchCancel)
            endDrag();
        else if (type == QEvent::TouchEnd)
            dropAt(tip);
        else
            m_touchPin->move(tip - QPoint(kPinPicture.hotSpotX, kPinPicture.hotSpotY));
        return true;
    }
    // Minimised, gone with its workspace, or another window became active
    // (a box, another program): the release may not come here.
    if (type == QEvent::Hide || type == QEvent::WindowDeactivate)
        endDrag();
    // The close box takes the same way out as the Exit button.
    else if (type == QEvent::Close)
        m_quiz.exit();
    return QWidget::event(event);
}

void QuizWindow::dropAt(const QPointF &p)
{
    const int name = m_draggedName;
    endDrag();
    if (!rect().contains(p.toPoint()))
        return;
    if (const int region = Quiz::regionAt(p.x(), p.y()); region >= 0)
        m_quiz.dropOnRegion(name, region);
    else if (nameUnder(p) >= 0)
        m_quiz.dropOnName(name);
}

void QuizWindow::endDrag()
{
    if (std::exchange(m_draggedName, -1) < 0)
        return;
    if (m_touchPin->isHidden())
        QGuiApplication::restoreOverrideCursor();
    else
        m_touchPin->hide();
}

void QuizWindow::keyPressEvent(QKeyEvent *event)
{
    auto *button = qobject_cast<QPushButton *>(focusWidget());
    if (event->key() == Qt::Key_Escape && m_draggedName >= 0)
        endDrag();
    // On the desktop Return and Enter press a focused button as Space does.
    // Only a button that does not take them itself, as some themes have it,
    // passes them on to here; a key held down clicks once.
    else if (button && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat())
        button->click();
    else
        QWidget::keyPressEvent(event);
}

bool QuizWindow::eventFilter(QObject *, QEvent *event)
{
    // Presses, moves and releases, and any other event at one pointer point.
    if (event->isSinglePointEvent())
        m_windowPointer = static_cast<QSinglePointEvent *>(event)->position();
    return false;
}

} // namespace drillix
