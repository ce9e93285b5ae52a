#include "qt/window/quizwindow.h"

#include "fakes.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPointingDevice>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <functional>
#include <string_view>

#include <gtest/gtest.h>

using namespace drillix;

namespace {

// The quiz window on the offscreen platform, with fake platform pieces.
struct ShownQuiz {
    test::Game game;
    QuizWindow window{game.q()};

    ShownQuiz()
    {
        game.start();
        window.showWithFocus();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QImage shot() { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QPushButton *button(const char *name) { return window.findChild<QPushButton *>(QString::fromLatin1(name)); }

    // Whether white text shows in a name's own band of the panel.
    static bool hasWhiteText(const QImage &img, int name)
    {
        const Rect r = layout::nameRect(name);
        for (int y = r.y + 5; y < r.y + 14; ++y)
            for (int x = r.x; x < r.x + 140; ++x)
                if (qRed(img.pixel(x, y)) > 230 && qGreen(img.pixel(x, y)) > 230 && qBlue(img.pixel(x, y)) > 230)
                    return true;
        return false;
    }

    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(&window, Qt::LeftButton, {}, from);
        QTest::mouseMove(&window, from + QPoint(20, 0));
        QTest::mouseMove(&window, to);
        QTest::mouseRelease(&window, Qt::LeftButton, {}, to);
    }

    static QPointingDevice *touchScreen()
    {
        static QPointingDevice *device = QTest::createTouchDevice();
        return device;
    }
    // Sent when the statement ends.
    QTest::QTouchEventWidgetSequence touch() { return QTest::touchEvent(&window, touchScreen()); }
    // A finger pressed at `from`, moved and lifted at `finger`.
    void touchDrag(QPoint from, QPoint finger)
    {
        touch().press(0, from);
        touch().move(0, from + QPoint(20, 0));
        touch().move(0, finger);
        touch().release(0, finger);
    }
};

// Japan's name, in its own band, and a point of Japan's region.
const QPoint kJapanName(746, 80 + 14 * 8 + 10);
const QPoint kJapanOnMap(580, 220);
// Where a finger goes so that the pin above it points at a spot.
const QPoint kLift(0, 40);

// A point where a drop is judged against this country.
QPoint pointOf(std::string_view country)
{
    for (const MapPlace &region : layout::kRegions) {
        const QPoint centre(region.rect.x + region.rect.width / 2, region.rect.y + region.rect.height / 2);
        const int hit = Quiz::regionAt(centre.x(), centre.y());
        if (region.country == country && layout::kRegions[std::size_t(hit)].country == country)
            return centre;
    }
    ADD_FAILURE() << country;
    return {};
}

QPoint nameAt(int name)
{
    const Rect r = layout::nameRect(name);
    return QPoint(r.x + 20, r.y + 10);
}

bool isBlueish(QRgb c)
{
    return qBlue(c) > qRed(c) + 40 && qBlue(c) > 90;
}

} // namespace

TEST(QuizWindow, RendersAtItsDesignedSizeWithRealWidgets)
{
    ShownQuiz s;
    EXPECT_EQ(s.window.size(), QSize(1047, 665));
    EXPECT_EQ(s.window.windowTitle(), QStringLiteral("Veltmora Drillix"));
    EXPECT_FALSE(s.window.windowIcon().isNull());

    const QImage img = s.shot();
    EXPECT_TRUE(isBlueish(img.pixel(1000, 400))) << "the panel";
    EXPECT_FALSE(isBlueish(img.pixel(400, 200)) && isBlueish(img.pixel(200, 150))) << "the map is not the panel";
    for (int i = 0; i < 23; ++i)
        EXPECT_TRUE(ShownQuiz::hasWhiteText(img, i)) << "name " << i;

    QPushButton *restart = s.button("PushButton1");
    QPushButton *exit = s.button("PushButton2");
    ASSERT_TRUE(restart && exit);
    EXPECT_EQ(restart->geometry(), QRect(720, 600, 156, 27));
    EXPECT_EQ(exit->geometry(), QRect(883, 600, 156, 27));
    EXPECT_EQ(restart->text(), QStringLiteral("Restart"));
    EXPECT_EQ(exit->text(), QStringLiteral("Exit"));
    EXPECT_EQ(restart->font().pixelSize(), 15);
    EXPECT_TRUE(restart->font().bold());
    // The fixed palette is Qt's own light one, so the window looks the same
    // on a light desktop as on one without a theme.
    EXPECT_EQ(s.window.palette(), QApplication::palette());
}

TEST(QuizWindow, MouseDragPlacesANameAndTheFrameShowsIt)
{
    ShownQuiz s;
    const QImage before = s.shot();
    s.drag(kJapanName, kJapanOnMap);
    EXPECT_TRUE(s.window.answerLabel(8)->isVisible());
    EXPECT_EQ(s.window.answerLabel(8)->text(), QStringLiteral("Japan"));
    EXPECT_EQ(s.game.sound.played.back(), s.game.soundFile("correct.wma"));

    const QImage after = s.shot();
    EXPECT_TRUE(ShownQuiz::hasWhiteText(before, 8));
    EXPECT_FALSE(ShownQuiz::hasWhiteText(after, 8)) << "the name left its column";
    int dark = 0;
    for (int y = 202; y < 217; ++y)
        for (int x = 566; x < 625; ++x)
            dark += qGray(after.pixel(x, y)) < 80 && qGray(before.pixel(x, y)) >= 80;
    EXPECT_GT(dark, 10) << "the answer shows dark text on the map";

    // Answers stack by index whatever the order they are placed in:
    // Thailand's place overlaps Burma's and stays in front of it.
    const auto regionOf = [](int answer) {
        const std::string_view country = layout::kAnswerPlaces[std::size_t(answer)].country;
        return int(std::find_if(layout::kRegions.begin(), layout::kRegions.end(),
                                [&](const MapPlace &region) { return region.country == country; })
                   - layout::kRegions.begin());
    };
    for (int answer : {21, 3})
        s.game.q().dropOnRegion(answer, regionOf(answer));
    const QObjectList &children = s.window.children();
    EXPECT_LT(children.indexOf(s.window.answerLabel(3)), children.indexOf(s.window.answerLabel(21)));
}

TEST(QuizWindow, DropsAwayFromTheMapsRegionsJudgeNothing)
{
    ShownQuiz s;
    const QPoint places[] = {{686, 400} /* open sea */, {800, 530} /* panel */, {760, 610} /* a button */,
                             {746, 80 + 14 * 15 + 10} /* another name */, {1200, 10} /* outside */};
    for (const QPoint &to : places)
        s.drag(kJapanName, to);
    EXPECT_TRUE(s.game.sound.played.empty());
    EXPECT_TRUE(s.window.nameLabel(8)->isVisible());
}

TEST(QuizWindow, ButtonsAndPointerReachTheGame)
{
    ShownQuiz s;
    s.drag(kJapanName, kJapanOnMap);
    ASSERT_EQ(s.game.q().placedCount(), 1);
    QTest::mouseMove(&s.window, QPoint(730, 610)); // over Restart
    EXPECT_TRUE(s.game.q().handPointer());
    QTest::mouseMove(&s.window, QPoint(400, 300)); // straight onto the map
    EXPECT_TRUE(s.game.q().handPointer());
    QTest::mouseClick(s.button("PushButton1"), Qt::LeftButton);
    EXPECT_EQ(s.game.q().placedCount(), 0);
    EXPECT_TRUE(s.window.nameLabel(8)->isVisible());
    QTest::mouseMove(&s.window, QPoint(1000, 400)); // the bare panel
    EXPECT_FALSE(s.game.q().handPointer());
}

TEST(QuizWindow, ExitAndCloseBoxTakeTheSameWayOut)
{
    for (bool closeBox : {true, false}) {
        ShownQuiz s;
        int closed = 0;
        s.game.q().onClosed([&] { ++closed; });
        if (closeBox)
            s.window.close();
        else
            QTest::mouseClick(s.button("PushButton2"), Qt::LeftButton);
        EXPECT_EQ(closed, 1) << closeBox;
        EXPECT_TRUE(s.game.q().closed());
    }
}

TEST(QuizWindow, DragThatLosesItsReleaseEndsUnjudged)
{
    // Each way a drag can lose its release. The window is active only in the
    // row about activation, so that each row proves its own way out.
    struct Row {
        const char *what;
        bool activeWhileDragging;
        std::function<void(ShownQuiz &, QWidget &other)> interrupt;
    };
    const Row rows[] = {
        {"window hidden", false, [](ShownQuiz &s, QWidget &) { s.window.hide(); }},
        {"another window activated", true,
         [](ShownQuiz &, QWidget &other) {
             other.activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
         }},
        {"a move with the button up", false,
         [](ShownQuiz &s, QWidget &) {
             QMouseEvent move(QEvent::MouseMove, QPointF(400, 300), s.window.mapToGlobal(QPointF(400, 300)),
                              Qt::NoButton, Qt::NoButton, Qt::NoModifier);
             QCoreApplication::sendEvent(&s.window, &move);
         }},
        {"a new press on the map", false,
         [](ShownQuiz &s, QWidget &) { QTest::mousePress(&s.window, Qt::LeftButton, {}, kJapanOnMap); }},
        {"Escape", false,
         [](ShownQuiz &s, QWidget &) {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QCoreApplication::sendEvent(&s.window, &escape);
         }},
    };
    for (const Row &row : rows) {
        ShownQuiz s;
        QWidget other;
        other.show();
        QWidget &active = row.activeWhileDragging ? static_cast<QWidget &>(s.window) : other;
        active.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&active)) << row.what;
        QTest::mousePress(&s.window, Qt::LeftButton, {}, kJapanName);
        QTest::mouseMove(&s.window, kJapanOnMap);
        ASSERT_EQ(s.window.draggedName(), 8) << row.what;
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr) << row.what << ": the pin shows";
        row.interrupt(s, other);
        EXPECT_EQ(s.window.draggedName(), -1) << row.what;
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << row.what << ": the pin pointer is gone";
        QTest::mouseRelease(&s.window, Qt::LeftButton, {}, kJapanOnMap);
        EXPECT_EQ(s.game.q().placedCount(), 0) << row.what;
        EXPECT_FALSE(s.window.answerLabel(8)->isVisible()) << row.what;
    }
}

TEST(QuizWindow, ReturnOrEnterHeldOnAButtonClicksOnce)
{
    ShownQuiz s;
    QPushButton *restart = s.button("PushButton1");
    restart->setFocus();
    int clicks = 0;
    QObject::connect(restart, &QPushButton::clicked, [&] { ++clicks; });
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        clicks = 0;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        for (QKeyEvent *event : {&press, &repeat, &repeat, &release})
            QCoreApplication::sendEvent(restart, event);
        EXPECT_EQ(clicks, 1) << key;
    }
}

TEST(QuizWindow, WindowTooLargeForTheScreenStartsAtItsTopLeft)
{
    const QSize window(1047, 665);
    EXPECT_EQ(QuizWindow::placement(window, {0, 0, 1280, 1024}), QPoint(116, 179)) << "fits: centred";
    // 1366 x 768 at scale 1.25 with a 24-pixel panel at the top.
    EXPECT_EQ(QuizWindow::placement(window, {0, 19, 1093, 595}), QPoint(23, 19)) << "too tall: centred across";
    EXPECT_EQ(QuizWindow::placement(window, {0, 19, 900, 595}), QPoint(0, 19)) << "too tall and too wide";
}

TEST(QuizWindow, FocusStartsOnTheWindowAndTabReachesTheButtons)
{
    ShownQuiz s;
    auto *holder = s.window.findChild<QWidget *>(QStringLiteral("Text1"));
    ASSERT_TRUE(holder) << "skins still find it";
    EXPECT_EQ(QApplication::focusWidget(), &s.window) << "no button shows a focus frame at start";
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(holder)->state().invisible) << "no screen reader lands on it";
    for (const char *next : {"PushButton1", "PushButton2", "PushButton1"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), s.button(next)) << next;
    }
}

TEST(QuizWindowTouch, AWholeGameByTouchWithTheDropAtThePinsPoint)
{
    ShownQuiz s;
    s.touchDrag(kJapanName, pointOf("China") + kLift);
    EXPECT_EQ(s.game.sound.played.back(), s.game.soundFile("wrong.wma"));
    EXPECT_TRUE(s.window.nameLabel(8)->isVisible()) << "a wrong drop leaves the name in its column";
    // Singapore's target is 17 pixels square, and Indonesia's lies under a
    // finger placed on it.
    for (int i = 0; i < kNameCount; ++i) {
        s.touchDrag(nameAt(i), pointOf(test::countryNames()[std::size_t(i)]) + kLift);
        EXPECT_EQ(s.game.q().placedCount(), (i + 1) % kNameCount) << test::countryNames()[std::size_t(i)];
    }
    EXPECT_EQ(s.game.sound.played[1], s.game.soundFile("correct.wma"));
    EXPECT_EQ(s.game.sound.played.back(), s.game.soundFile("complete.wma"));
    ASSERT_EQ(s.game.boxes.shown.size(), 1u);
    EXPECT_EQ(s.game.boxes.shown.back().text, "CONGRATULATIONS!THE MAP IS COMPLETE!");
    EXPECT_TRUE(s.window.nameLabel(8)->isVisible()) << "a new game";
}

TEST(QuizWindowTouch, ThePinShowsAboveTheFingerAndGoesWithIt)
{
    ShownQuiz s;
    // A skin that frames labels leaves the pin alone.
    s.window.setStyleSheet(QStringLiteral("QLabel { padding: 6px; border: 3px solid red; background: red; }"));
    const QImage before = s.shot();
    const QPoint finger(650, 440); // the pin over open sea
    const QRect pin(finger - kLift - QPoint(3, 29), QSize(32, 32)); // its point at the lift
    s.touch().press(0, kJapanName);
    s.touch().move(0, finger);
    const QImage dragging = s.shot();
    int inside = 0, outside = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != dragging.pixel(x, y))
                ++(pin.contains(x, y) ? inside : outside);
    EXPECT_GT(inside, 150) << "the pin is drawn";
    EXPECT_EQ(outside, 0) << "and nothing else";
    EXPECT_TRUE(isBlueish(dragging.pixel(pin.x() + 16, pin.y() + 14))) << "its head";
    s.touch().release(0, finger);
    EXPECT_EQ(s.shot(), before) << "gone with the finger; the sea judges nothing";
    EXPECT_TRUE(s.game.sound.played.empty());
}

TEST(QuizWindowTouch, TouchDragThatLosesItsEndEndsUnjudged)
{
    // The finger is lifted where the pin points at Japan, except where the
    // pin is lifted outside the window.
    struct Row {
        const char *what;
        bool activeWhileDragging;
        std::function<void(ShownQuiz &, QWidget &other)> interrupt;
        QPoint liftedAt = kJapanOnMap + kLift;
    };
    const QPoint finger = kJapanOnMap + kLift;
    const auto secondFinger = [&](QPoint at) {
        return [=](ShownQuiz &s, QWidget &) {
            s.touch().move(0, finger).press(1, at);
            s.touch().move(0, finger).release(1, at);
        };
    };
    const Row rows[] = {
        {"a second finger on the map", false, secondFinger(QPoint(300, 300))},
        {"a second finger on a name", false, secondFinger(nameAt(5))},
        {"the touch cancelled", false,
         [&](ShownQuiz &s, QWidget &) {
             const QEventPoint held(0, QEventPoint::Stationary, finger, s.window.mapToGlobal(finger));
             QTouchEvent cancel(QEvent::TouchCancel, ShownQuiz::touchScreen(), {}, {held});
             QCoreApplication::sendEvent(&s.window, &cancel);
         }},
        {"window hidden", false, [](ShownQuiz &s, QWidget &) { s.window.hide(); }},
        {"another window activated", true,
         [](ShownQuiz &, QWidget &other) {
             other.activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
         }},
        {"the pin lifted outside the window", false,
         [](ShownQuiz &s, QWidget &) { s.touch().move(0, QPoint(580, 30)); }, QPoint(580, 30)},
    };
    for (const Row &row : rows) {
        ShownQuiz s;
        QWidget other;
        other.show();
        QWidget &active = row.activeWhileDragging ? static_cast<QWidget &>(s.window) : other;
        active.activateWindow();
        QCoreApplication::processEvents(); // the other window's own activation first
        ASSERT_TRUE(QTest::qWaitForWindowActive(&active)) << row.what;
        const QImage before = s.shot();
        s.touch().press(0, kJapanName);
        s.touch().move(0, finger);
        ASSERT_EQ(s.window.draggedName(), 8) << row.what;
        row.interrupt(s, other);
        s.window.show();
        s.touch().release(0, row.liftedAt);
        EXPECT_EQ(s.window.draggedName(), -1) << row.what;
        EXPECT_EQ(s.shot(), before) << row.what << ": no pin, no answer";
        EXPECT_TRUE(s.game.sound.played.empty()) << row.what;
        s.touchDrag(kJapanName, finger);
        EXPECT_EQ(s.game.q().placedCount(), 1) << row.what << ": the next drag is judged";
    }
}

TEST(QuizWindowTouch, ATapOnAButtonClicksIt)
{
    for (const char *name : {"PushButton1", "PushButton2"}) {
        ShownQuiz s;
        s.touchDrag(kJapanName, kJapanOnMap + kLift);
        ASSERT_EQ(s.game.q().placedCount(), 1);
        const QPoint centre = s.button(name)->geometry().center();
        s.touch().press(0, centre);
        s.touch().release(0, centre);
        EXPECT_EQ(s.game.q().placedCount(), name == std::string_view("PushButton1") ? 0 : 1) << name;
        EXPECT_EQ(s.game.q().closed(), name == std::string_view("PushButton2")) << name;
    }
}

TEST(QuizWindowTouch, APenDragsAsTheMouseDoesWithThePinAtItsTip)
{
    ShownQuiz s;
    QPointingDevice pen(QStringLiteral("pen"), 2, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
                        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 2);
    const QPointF press(nameAt(17)); // Singapore
    QTabletEvent tablet(QEvent::TabletPress, &pen, press, s.window.mapToGlobal(press), 0.5, 0, 0, 0, 0, 0, {},
                        Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::sendEvent(&s.window, &tablet);
    EXPECT_FALSE(tablet.isAccepted()) << "left to Qt, which sends the mouse events below";
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, at, s.window.mapToGlobal(at), Qt::LeftButton, buttons, {}, &pen);
        QCoreApplication::sendEvent(&s.window, &event);
    };
    const QPointF singapore(pointOf("Singapore"));
    send(QEvent::MouseButtonPress, press, Qt::LeftButton);
    send(QEvent::MouseMove, singapore, Qt::LeftButton);
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr) << "the pin pointer";
    send(QEvent::MouseButtonRelease, singapore, Qt::NoButton);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(s.window.nameLabel(17)->isVisible()) << "placed at the tip itself";
}
