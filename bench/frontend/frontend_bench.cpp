// From the mouse release that drops a name on its region to the end of the
// paint that shows the answer on the map, in the real window on Qt's
// offscreen platform, the game running on the unit tests' fake platform
// pieces.
//
// Each round: the board is restarted, a name is pressed and dragged over its
// region (untimed), then the release is delivered and the event loop run
// until the window's update has been painted and flushed. Times are taken
// on a steady clock:
//   handled  release delivered and handled by the game (judged, update
//            scheduled)
//   painted  the answer label's paint begins (the window behind it is drawn)
//   flushed  the event loop back with nothing left to paint (backing store
//            flushed)
// Two ways of delivering the release are timed: QTest::mouseRelease on the
// widget, and a QMouseEvent sent to the window, as the platform does.
// The first drop after start (glyphs and pictures not cached yet) is shown
// on its own. A grab() of the whole window is timed for comparison.
//
//   bench_frontend [ROUNDS]        (default 300)
//
// Figures only: nothing passes or fails on time.

#include "qt/window/quizwindow.h"

#include <QLabel>

#include "fakes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointingDevice>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace drillix;
using SteadyClock = std::chrono::steady_clock;

namespace {

double msSince(SteadyClock::time_point from, SteadyClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

constexpr int kJapan = 8; // name label and answer label

// A clock on the paints of the answer label.
class PaintClock : public QObject
{
public:
    QuizWindow *window = nullptr;
    bool armed = false;
    SteadyClock::time_point paintedAt;
    int paintsSeen = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != window && event->type() == QEvent::Paint) {
            ++paintsSeen;
            if (armed) {
                paintedAt = SteadyClock::now();
                armed = false;
            }
        }
        return false;
    }
};

const QPoint kJapanLabel(746, 80 + 14 * kJapan + 10);
const QPoint kJapanRegion(580, 220);

struct Sample {
    double handled = 0;
    double painted = 0;
    double flushed = 0;
};

struct Stats {
    double median, p10, p90, min, max;
};

Stats stats(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    auto at = [&](double q) { return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5)]; };
    return {at(0.5), at(0.1), at(0.9), v.front(), v.back()};
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

struct Bench {
    test::Game quiz;
    QuizWindow window{quiz.q()};
    PaintClock clock;

    Bench()
    {
        quiz.start();
        window.showWithFocus();
        if (!QTest::qWaitForWindowExposed(&window)) {
            std::fprintf(stderr, "bench_frontend: the window was never exposed\n");
            std::exit(2);
        }
        clock.window = &window;
        window.answerLabel(kJapan)->installEventFilter(&clock);
        settle();
    }

    // Restarts the board, presses the name and drags it over its region,
    // through the same way as the release to come.
    void prepare(bool throughWindow)
    {
        quiz.q().restart();
        quiz.sound.played.clear();
        settle();
        if (throughWindow) {
            sendToWindow(QEvent::MouseButtonPress, kJapanLabel, Qt::LeftButton, Qt::LeftButton);
            sendToWindow(QEvent::MouseMove, kJapanLabel + QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
            sendToWindow(QEvent::MouseMove, kJapanRegion, Qt::NoButton, Qt::LeftButton);
        } else {
            QTest::mousePress(&window, Qt::LeftButton, {}, kJapanLabel);
            QTest::mouseMove(&window, kJapanLabel + QPoint(20, 0));
            QTest::mouseMove(&window, kJapanRegion);
        }
        settle();
    }

    void sendToWindow(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        const QPointF local(at);
        QMouseEvent event(type, local, local, window.mapToGlobal(local), button, buttons, Qt::NoModifier,
                          QPointingDevice::primaryPointingDevice());
        QCoreApplication::sendEvent(window.windowHandle(), &event);
    }

    // Delivers the release with `deliver`, then runs the event loop until
    // the answer has been painted and nothing is left to do.
    Sample drop(bool throughWindow)
    {
        prepare(throughWindow);
        clock.armed = true;
        const SteadyClock::time_point t0 = SteadyClock::now();
        if (throughWindow)
            sendToWindow(QEvent::MouseButtonRelease, kJapanRegion, Qt::LeftButton, Qt::NoButton);
        else
            QTest::mouseRelease(&window, Qt::LeftButton, {}, kJapanRegion);
        const SteadyClock::time_point handled = SteadyClock::now();
        QCoreApplication::processEvents();
        const SteadyClock::time_point flushed = SteadyClock::now();
        if (clock.armed || !quiz.q().answers()[kJapan].shown) {
            std::fprintf(stderr, "bench_frontend: the answer was not painted after one pass of the event loop"
                                 " (answer %s, %d paints, placed %d, dragging %d)\n",
                         quiz.q().answers()[kJapan].shown ? "shown" : "hidden", clock.paintsSeen,
                         quiz.q().placedCount(), window.draggedName());
            std::exit(2);
        }
        return {msSince(t0, handled), msSince(t0, clock.paintedAt), msSince(t0, flushed)};
    }

    // Dark text where the answer label stands: the frame really shows it.
    bool answerShows()
    {
        const QImage img = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        int dark = 0;
        for (int y = 202; y < 217; ++y)
            for (int x = 566; x < 625; ++x)
                dark += qGray(img.pixel(x, y)) < 80;
        return dark > 10;
    }
};

void printRow(const char *what, const std::vector<double> &v)
{
    const Stats s = stats(v);
    std::printf("  %-34s %8.3f %8.3f %8.3f %8.3f %8.3f   %5.1f%%\n", what, s.median, s.p10, s.p90, s.min, s.max,
                100.0 * s.median / (1000.0 / 60.0));
}

void report(const char *title, const std::vector<Sample> &samples)
{
    std::vector<double> handled, painted, flushed;
    for (const Sample &s : samples) {
        handled.push_back(s.handled);
        painted.push_back(s.painted);
        flushed.push_back(s.flushed);
    }
    std::printf("%s, %zu drops (ms)            median      p10      p90      min      max   of a 60 Hz frame\n", title,
                samples.size());
    printRow("release handled", handled);
    printRow("release to answer paint", painted);
    printRow("release to frame flushed", flushed);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;

    Bench bench;
    std::printf("Front end on the %s platform, window %dx%d, device pixel ratio %.1f\n",
                qPrintable(QGuiApplication::platformName()), bench.window.width(), bench.window.height(),
                bench.window.devicePixelRatioF());

    // The very first drop: nothing of the bold answer font cached yet.
    const Sample first = bench.drop(false);
    if (!bench.answerShows()) {
        std::fprintf(stderr, "bench_frontend: the answer does not show in the window\n");
        return 2;
    }
    std::printf("first drop after start: handled %.3f ms, painted %.3f ms, flushed %.3f ms\n\n", first.handled,
                first.painted, first.flushed);

    std::vector<Sample> viaTest, viaWindow;
    for (int i = 0; i < rounds; ++i) {
        // Interleaved, so that both see the same machine.
        viaTest.push_back(bench.drop(false));
        viaWindow.push_back(bench.drop(true));
    }
    if (!bench.answerShows()) {
        std::fprintf(stderr, "bench_frontend: the answer does not show in the window\n");
        return 2;
    }
    report("QTest::mouseRelease on the widget", viaTest);
    std::printf("\n");
    report("QMouseEvent sent to the window", viaWindow);

    // For scale: rendering the whole window once.
    std::vector<double> grabs;
    for (int i = 0; i < std::max(20, rounds / 5); ++i) {
        const SteadyClock::time_point t0 = SteadyClock::now();
        const QPixmap shot = bench.window.grab();
        grabs.push_back(msSince(t0, SteadyClock::now()));
        if (shot.isNull())
            return 2;
    }
    std::printf("\nwhole window grab(), %zu times (ms)\n", grabs.size());
    printRow("grab()", grabs);

    std::vector<double> painted;
    for (const Sample &s : viaTest)
        painted.push_back(s.painted);
    const double m = stats(painted).median;
    std::printf("\nRESULT frontend release_to_paint_median_ms=%.3f first_drop_ms=%.3f frame_budget_ms=%.3f "
                "share_of_frame=%.3f\n",
                m, first.painted, 1000.0 / 60.0, m / (1000.0 / 60.0));
    return 0;
}
