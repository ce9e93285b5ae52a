#include "qt/window/formwidget.h"
#include "qt/window/qtcolours.h"

#include "fakes.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

using namespace drillix;

namespace {

// The quiz window on the offscreen platform, with fake platform pieces.
struct ShownQuiz {
    test::Quiz quiz;
    FormWidget window{quiz.form()};

    ShownQuiz()
    {
        quiz.load();
        window.showWithFocus();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QImage shot() { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // A label's pixel rectangle, and whether white text shows in it.
    static bool hasWhiteText(const QImage &img, int label)
    {
        const int x = label < 13 ? 726 : 884;
        const int y = 80 + 14 * (label < 13 ? label : label - 13);
        for (int py = y + 5; py < y + 14; ++py)
            for (int px = x; px < x + 140; ++px)
                if (qRed(img.pixel(px, py)) > 230 && qGreen(img.pixel(px, py)) > 230 && qBlue(img.pixel(px, py)) > 230)
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
};

// Japan's name label, and a point of Japan's region: twips (8250..9225, 2040..4395).
const QPoint kJapanName(746, 80 + 14 * 8 + 10);
const QPoint kJapanOnMap(8700 / 15, 3300 / 15);

bool isBlueish(QRgb c)
{
    return qBlue(c) > qRed(c) + 40 && qBlue(c) > 90;
}

} // namespace

TEST(FormWidget, RendersTheWindowAtItsDesignedSize)
{
    ShownQuiz s;
    EXPECT_EQ(s.window.size(), QSize(1047, 665));
    EXPECT_EQ(s.window.windowTitle(), QStringLiteral("Veltmora Drillix"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !s.window.windowIcon().isNull(); })) << "set once the first frame is painted";

    const QImage img = s.shot();
    EXPECT_TRUE(isBlueish(img.pixel(1000, 400))) << "the panel";
    EXPECT_FALSE(isBlueish(img.pixel(400, 200)) && isBlueish(img.pixel(200, 150))) << "the map is not the panel";
    for (int i = 0; i < 23; ++i)
        EXPECT_TRUE(ShownQuiz::hasWhiteText(img, i)) << "name label " << i;

    auto *restart = s.window.findChild<QPushButton *>(QStringLiteral("PushButton1"));
    auto *exit = s.window.findChild<QPushButton *>(QStringLiteral("PushButton2"));
    ASSERT_TRUE(restart && exit);
    EXPECT_EQ(restart->geometry(), QRect(720, 600, 156, 27));
    EXPECT_EQ(exit->geometry(), QRect(883, 600, 156, 27));
    EXPECT_EQ(restart->text(), QStringLiteral("Restart"));
    EXPECT_EQ(exit->text(), QStringLiteral("Exit"));
    EXPECT_EQ(restart->font().pixelSize(), 15);
    EXPECT_TRUE(restart->font().bold());
    // The fixed palette is Qt's own light one, so the window looks the same
    // on a light desktop as on one without a theme.
    EXPECT_EQ(designPalette(), QApplication::palette());
}

TEST(FormWidget, MouseDragPlacesANameAndTheFrameShowsIt)
{
    ShownQuiz s;
    const QImage before = s.shot();
    s.drag(kJapanName, kJapanOnMap);
    EXPECT_TRUE(s.quiz.w().controls().answerLabels[8].visible());
    EXPECT_EQ(s.quiz.sound.played.back(), s.quiz.soundFile("correct.wma"));

    const QImage after = s.shot();
    EXPECT_TRUE(ShownQuiz::hasWhiteText(before, 8));
    EXPECT_FALSE(ShownQuiz::hasWhiteText(after, 8)) << "the name left its column";
    // The answer label (8490, 3030, 885 x 225) now shows dark text.
    int dark = 0;
    for (int y = 202; y < 217; ++y)
        for (int x = 566; x < 625; ++x)
            dark += qGray(after.pixel(x, y)) < 80 && qGray(before.pixel(x, y)) >= 80;
    EXPECT_GT(dark, 10);
}

TEST(FormWidget, ButtonsAndPointerReachTheModel)
{
    ShownQuiz s;
    s.drag(kJapanName, kJapanOnMap);
    ASSERT_EQ(s.quiz.w().placedCount(), 1);
    auto *restart = s.window.findChild<QPushButton *>(QStringLiteral("PushButton1"));
    QTest::mouseMove(restart, QPoint(10, 10));
    EXPECT_EQ(s.quiz.form().mousePointer(), 99);
    QTest::mouseClick(restart, Qt::LeftButton);
    EXPECT_EQ(s.quiz.w().placedCount(), 0);
    EXPECT_TRUE(s.quiz.w().controls().nameLabels[8].visible());
    QTest::mouseMove(&s.window, QPoint(1000, 400));
    EXPECT_EQ(s.quiz.form().mousePointer(), 0);
}

TEST(FormWidget, ExitAndCloseBoxTakeTheSameWayOut)
{
    ShownQuiz s;
    bool unloaded = false;
    QObject::connect(&s.window, &FormWidget::formUnloaded, [&] { unloaded = true; });
    s.window.close();
    EXPECT_TRUE(unloaded);
    EXPECT_FALSE(s.quiz.form().loaded());

    ShownQuiz t;
    auto *exit = t.window.findChild<QPushButton *>(QStringLiteral("PushButton2"));
    QTest::mouseClick(exit, Qt::LeftButton);
    EXPECT_FALSE(t.quiz.form().loaded());
    EXPECT_FALSE(t.window.isVisible());
}

TEST(FormWidget, DragThatLosesItsReleaseEndsUnjudged)
{
    // Each way a drag can lose its release. The window is active only in the
    // row about activation, so that each row proves its own way out. Escape
    // and a window minimised or left on its workspace are proved on a real
    // desktop.
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
        ASSERT_TRUE(s.quiz.form().dragging()) << row.what;
        row.interrupt(s, other);
        EXPECT_FALSE(s.quiz.form().dragging()) << row.what;
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << row.what << ": the pin pointer is gone";
        QTest::mouseRelease(&s.window, Qt::LeftButton, {}, kJapanOnMap);
        EXPECT_EQ(s.quiz.w().placedCount(), 0) << row.what;
        EXPECT_FALSE(s.quiz.w().controls().answerLabels[8].visible()) << row.what;
    }
}

TEST(FormWidget, ReturnOrEnterHeldOnAButtonClicksOnce)
{
    ShownQuiz s;
    auto *restart = s.window.findChild<QPushButton *>(QStringLiteral("PushButton1"));
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

TEST(FormWidget, WindowTooLargeForTheScreenStartsAtItsTopLeft)
{
    const QSize window(1047, 665);
    EXPECT_EQ(FormWidget::placement(window, {0, 0, 1280, 1024}), QPoint(116, 179)) << "fits: centred";
    // 1366 x 768 at scale 1.25 with a 24-pixel panel at the top.
    EXPECT_EQ(FormWidget::placement(window, {0, 19, 1093, 595}), QPoint(23, 19)) << "too tall: centred across";
    EXPECT_EQ(FormWidget::placement(window, {0, 19, 900, 595}), QPoint(0, 19)) << "too tall and too wide";
}
