// How long the quiz takes to judge one drop: the hit test that finds the
// drop target under the pointer, and the judging itself. The whole quiz runs
// on the unit tests' fake platform pieces, so nothing but the model is timed.
//
//   bench_judging [--benchmark_* options]
//
// Figures are printed; nothing is asserted.

#include "quiz/maptables.h"

#include "fakes.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace drillix;
using test::Quiz;

namespace {

struct Point {
    int x = 0;
    int y = 0;
};

// A point where region `r`'s own drop target is the frontmost control.
Point winningPoint(QuizWindow &w, int r)
{
    const TwipRect rect = w.controls().dropTargets[r].geometry();
    for (int py = rect.top + 7; py < rect.bottom(); py += 15)
        for (int px = std::max<int>(rect.left, 0) + 7; px < rect.right(); px += 15)
            if (w.form().hitTest(px, py) == &w.controls().dropTargets[r])
                return {px, py};
    std::fprintf(stderr, "region %d has no point of its own\n", r);
    std::abort();
}

// The first region of each country, by name label index.
int regionOf(int label)
{
    for (const RegionRow &row : kRegionTable)
        if (std::string(row.tag) == kAnswerLabelTable[static_cast<std::size_t>(label)].country)
            return row.index;
    std::abort();
}

// Where a person grabs a name label: 150 twips below its top, where only
// this label lies.
Point grabPoint(QuizWindow &w, int label)
{
    const TwipRect from = w.controls().nameLabels[label].geometry();
    return {from.left + 30, from.top + 150};
}

// The fake sound output keeps every path it was asked to play; keep its
// list short so that memory stays flat over millions of drops.
void trimSoundLog(Quiz &quiz)
{
    if (quiz.sound.played.size() > 1024) {
        quiz.sound.played.clear();
        quiz.sound.volumes.clear();
    }
}

constexpr int kJapan = 8;        // name label and answer label
constexpr int kChina = 5;
constexpr int kJapanRegion = 25; // a drop target of Japan's

// --- the pieces -------------------------------------------------------------

void BM_HitTest(benchmark::State &state)
{
    Quiz quiz;
    quiz.load();
    const Point p = winningPoint(quiz.w(), kJapanRegion);
    for (auto _ : state) {
        benchmark::DoNotOptimize(quiz.form().hitTest(p.x, p.y));
    }
}
BENCHMARK(BM_HitTest);

// Judging alone, as the form calls it once the drop target is known.
void BM_DropOnTarget_Wrong(benchmark::State &state)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    Control &china = w.controls().nameLabels[kChina];
    for (auto _ : state) {
        w.dropOnTarget(kJapanRegion, china);
        trimSoundLog(quiz);
    }
}
BENCHMARK(BM_DropOnTarget_Wrong);

void BM_DropOnTarget_Right(benchmark::State &state)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    Control &japan = w.controls().nameLabels[kJapan];
    for (auto _ : state) {
        if (w.placedCount() > 20) { // never reach the end of the game
            state.PauseTiming();
            w.restart();
            state.ResumeTiming();
        }
        w.dropOnTarget(kJapanRegion, japan);
        trimSoundLog(quiz);
    }
    if (!w.controls().answerLabels[kJapan].visible())
        state.SkipWithError("the answer did not show");
}
BENCHMARK(BM_DropOnTarget_Right);

// --- through the form's pointer input --------------------------------------

// Press on a name label, release on a drop target: hit tests for both, the
// start and end of the drag, and the judging.
void BM_PointerDrop_Wrong(benchmark::State &state)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    const Point from = grabPoint(w, kChina);
    const Point to = winningPoint(w, kJapanRegion);
    for (auto _ : state) {
        quiz.form().pressMouse(from.x, from.y);
        quiz.form().releaseMouse(to.x, to.y);
        trimSoundLog(quiz);
    }
    if (quiz.sound.played.empty() || quiz.sound.played.back() != quiz.soundFile("wrong.wma"))
        state.SkipWithError("the drop was not judged wrong");
}
BENCHMARK(BM_PointerDrop_Wrong);

// The same with one move between press and release, as a real drag has
// (each move is a hit test and a drag-over event).
void BM_PointerDrag_Wrong(benchmark::State &state)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    const Point from = grabPoint(w, kChina);
    const Point to = winningPoint(w, kJapanRegion);
    for (auto _ : state) {
        quiz.form().pressMouse(from.x, from.y);
        quiz.form().moveMouse(to.x, to.y);
        quiz.form().releaseMouse(to.x, to.y);
        trimSoundLog(quiz);
    }
}
BENCHMARK(BM_PointerDrag_Wrong);

// Right drops: a whole game per iteration, every name pressed and released
// on its own region in turn. The 23rd drop completes the map, which shows
// the (fake) message box and starts a new game, as playing does. Time per
// drop is the iteration time over 23: the inverse of items_per_second.
void BM_PointerDrop_RightWholeGame(benchmark::State &state)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    Point from[kCountryCount];
    Point to[kCountryCount];
    for (int i = 0; i < kCountryCount; ++i) {
        from[i] = grabPoint(w, i);
        to[i] = winningPoint(w, regionOf(i));
    }
    for (auto _ : state) {
        for (int i = 0; i < kCountryCount; ++i) {
            quiz.form().pressMouse(from[i].x, from[i].y);
            quiz.form().releaseMouse(to[i].x, to[i].y);
        }
        quiz.boxes.shown.clear();
        trimSoundLog(quiz);
    }
    if (quiz.sound.played.empty() || quiz.sound.played.back() != quiz.soundFile("complete.wma"))
        state.SkipWithError("the game did not complete");
    state.SetItemsProcessed(state.iterations() * kCountryCount);
    state.SetLabel("23 drops an iteration; one drop = 1 / items_per_second");
}
BENCHMARK(BM_PointerDrop_RightWholeGame);

// One right drop, the board put back after it inside the timed loop; the
// put-back alone is timed below so that it can be taken off.
void resetJapan(QuizWindow &w)
{
    w.restart();
}

void BM_PointerDrop_RightPlusReset(benchmark::State &state)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    const Point from = grabPoint(w, kJapan);
    const Point to = winningPoint(w, kJapanRegion);
    for (auto _ : state) {
        quiz.form().pressMouse(from.x, from.y);
        quiz.form().releaseMouse(to.x, to.y);
        if (!w.controls().answerLabels[kJapan].visible()) {
            state.SkipWithError("the answer did not show");
            break;
        }
        resetJapan(w);
        trimSoundLog(quiz);
    }
}
BENCHMARK(BM_PointerDrop_RightPlusReset);

void BM_ResetOnly(benchmark::State &state)
{
    Quiz quiz;
    quiz.load();
    QuizWindow &w = quiz.w();
    for (auto _ : state) {
        w.controls().nameLabels[kJapan].setVisible(false);
        w.controls().answerLabels[kJapan].setVisible(true);
        resetJapan(w);
    }
}
BENCHMARK(BM_ResetOnly);

} // namespace

BENCHMARK_MAIN();
