// How long the game takes to judge one drop: the hit test that finds the
// region under the pointer, and the judging itself, on the unit tests' fake
// platform pieces, so that nothing but the game is timed.
//
//   bench_judging [--benchmark_* options]
//
// Figures are printed; nothing is asserted.

#include "fakes.h"

#include <benchmark/benchmark.h>

using namespace drillix;

namespace {

constexpr int kJapan = 8;

// A point where region `r`'s own target takes the drop.
std::pair<double, double> winningPoint(int r)
{
    const Rect &rect = layout::kRegions[std::size_t(r)].rect;
    for (int y = rect.y; y < rect.bottom(); ++y)
        for (int x = std::max(rect.x, 0); x < rect.right(); ++x)
            if (Quiz::regionAt(x + 0.5, y + 0.5) == r)
                return {x + 0.5, y + 0.5};
    return {-1, -1};
}

int firstRegionOf(const char *country)
{
    for (int r = 0; r < kRegionCount; ++r)
        if (std::string_view(country) == layout::kRegions[std::size_t(r)].country)
            return r;
    return -1;
}

// The fakes record every call; keep the record short.
void trimSoundLog(test::Game &g)
{
    if (g.sound.played.size() > 1000) {
        g.sound.played.clear();
        g.sound.volumes.clear();
    }
}

void BM_HitTest(benchmark::State &state)
{
    const auto [x, y] = winningPoint(firstRegionOf("Japan"));
    for (auto _ : state)
        benchmark::DoNotOptimize(Quiz::regionAt(x, y));
}
BENCHMARK(BM_HitTest);

void BM_DropOnTarget_Wrong(benchmark::State &state)
{
    test::Game g;
    g.start();
    const int china = firstRegionOf("China");
    for (auto _ : state) {
        g.q().dropOnRegion(kJapan, china);
        trimSoundLog(g);
    }
}
BENCHMARK(BM_DropOnTarget_Wrong);

void BM_DropOnTarget_Right(benchmark::State &state)
{
    test::Game g;
    g.start();
    const int japan = firstRegionOf("Japan");
    for (auto _ : state) {
        g.q().dropOnRegion(kJapan, japan);
        state.PauseTiming();
        g.q().restart();
        trimSoundLog(g);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DropOnTarget_Right);

// The pointer's way: the hit test at the release point, then the judging.
void BM_PointerDrop_Wrong(benchmark::State &state)
{
    test::Game g;
    g.start();
    const auto [x, y] = winningPoint(firstRegionOf("China"));
    for (auto _ : state) {
        g.q().dropOnRegion(kJapan, Quiz::regionAt(x, y));
        trimSoundLog(g);
    }
}
BENCHMARK(BM_PointerDrop_Wrong);

// Whole games through the pointer's way, the completion box and restart
// included; rated per drop.
void BM_PointerDrop_RightWholeGame(benchmark::State &state)
{
    test::Game g;
    g.start();
    std::vector<std::pair<double, double>> points;
    for (const MapPlace &place : layout::kAnswerPlaces)
        points.push_back(winningPoint(firstRegionOf(place.country)));
    for (auto _ : state) {
        for (int i = 0; i < kNameCount; ++i) {
            const auto [x, y] = points[std::size_t(i)];
            g.q().dropOnRegion(i, Quiz::regionAt(x, y));
        }
        trimSoundLog(g);
        g.boxes.shown.clear();
    }
    state.SetItemsProcessed(state.iterations() * kNameCount);
}
BENCHMARK(BM_PointerDrop_RightWholeGame);

} // namespace

BENCHMARK_MAIN();
