#!/bin/bash
# Builds and runs the quiz's benchmarks, then prints a summary.
#
#   bench/run-benchmarks.sh [BUILD_DIR]     (default: build, from the top folder)
#
# Environment:
#   JOBS          build jobs (default 2)
#   BENCH_PAIRS   start-up pairs, bare window and quiz (default 15)
#   BENCH_ROUNDS  front-end drops per way of delivery (default 300)
#   BENCH_ONLY    a space-separated choice of: startup judging frontend
#
# Full outputs go to BUILD_DIR/bench-results/. The figures are printed, never
# judged: missing a target does not make this fail. It exits non-zero only
# when a benchmark could not be built or did not run.

set -u

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
build=${1:-build}
case "$build" in
/*) ;;
*) build="$top/$build" ;;
esac
jobs=${JOBS:-2}
pairs=${BENCH_PAIRS:-15}
rounds=${BENCH_ROUNDS:-300}
only=${BENCH_ONLY:-startup judging frontend}
results="$build/bench-results"

wanted() { [[ " $only " == *" $1 "* ]]; }
at_most() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "" && v > 0 && v <= t) ? "met" : "MISSED" }'; }
below() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "" && v < t) ? "met" : "MISSED" }'; }

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo || exit 1
fi

targets=()
wanted startup && targets+=(veltmora-drillix barewindow bench_startup)
wanted judging && targets+=(bench_judging)
wanted frontend && targets+=(bench_frontend)
if wanted judging && ! grep -q '^benchmark_DIR:PATH=/' "$build/CMakeCache.txt"; then
    echo "Google Benchmark not found (Debian: libbenchmark-dev): the judging benchmark is left out"
    only=${only//judging/}
    targets=("${targets[@]/bench_judging/}")
fi
cmake --build "$build" -j "$jobs" --target ${targets[*]} || exit 1

mkdir -p "$results"
runtime=$(mktemp -d /tmp/drillix-bench-XXXXXX)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"

failed=0
summary=()

if wanted startup; then
    echo
    echo "=== Start-up: quiz against a bare Qt window, $pairs pairs under Xvfb ==="
    if ! command -v Xvfb >/dev/null; then
        echo "Xvfb not installed (Debian: xvfb): start-up left out"
        summary+=("start-up   not run: Xvfb missing")
    elif "$build/bench/startup/bench_startup" --pairs "$pairs" | tee "$results/startup.txt"; then
        line=$(grep '^RESULT startup' "$results/startup.txt")
        get() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$line"; }
        summary+=("start-up   exec to window mapped: quiz $(get quiz_map_ms) ms, bare $(get bare_map_ms) ms, ratio $(get map_ratio)x (target <= 1.15x: $(at_most "$(get map_ratio)" 1.15))")
        summary+=("           peak RSS: quiz $(get quiz_rss_mib) MiB, bare $(get bare_rss_mib) MiB, ratio $(get rss_ratio)x (target <= 1.25x: $(at_most "$(get rss_ratio)" 1.25))")
        summary+=("           first frame ratio $(get frame_ratio)x, CPU time ratio $(get cpu_ratio)x (medians of $(get pairs) pairs)")
    else
        failed=1
        summary+=("start-up   FAILED to run (see $results/startup.txt)")
    fi
fi

if wanted judging; then
    echo
    echo "=== Judging one drop (Google Benchmark) ==="
    if "$build/bench/judging/bench_judging" --benchmark_out="$results/judging.csv" --benchmark_out_format=csv \
        | tee "$results/judging.txt"; then
        # CPU time in ns of one benchmark, from the CSV; for the whole-game
        # one, per drop (its items are drops, rated over CPU time).
        ns() {
            awk -F, -v want="\"$1\"" '
                /^name,/ { for (i = 1; i <= NF; i++) col[$i] = i; on = 1; next }
                on && $1 == want {
                    t = $(col["cpu_time"]); u = $(col["time_unit"]);
                    if (u == "us") t *= 1e3; else if (u == "ms") t *= 1e6;
                    r = $(col["items_per_second"]);
                    if (r != "") t = 1e9 / r;
                    printf "%.0f", t }' "$results/judging.csv"
        }
        wrong=$(ns BM_PointerDrop_Wrong)
        game=$(ns BM_PointerDrop_RightWholeGame)
        summary+=("judging    press + release on a target, judged: wrong $wrong ns, right (per drop of a whole game) $game ns CPU (target < 1000 ns: $(below "$wrong" 1000)/$(below "$game" 1000))")
        summary+=("           bare piccoor_DragDrop: wrong $(ns BM_PiccoorDragDrop_Wrong) ns, right $(ns BM_PiccoorDragDrop_Right) ns; one hit test $(ns BM_HitTest) ns")
    else
        failed=1
        summary+=("judging    FAILED to run (see $results/judging.txt)")
    fi
fi

if wanted frontend; then
    echo
    echo "=== Front end: release to the frame that shows the answer (offscreen) ==="
    if QT_QPA_PLATFORM=offscreen "$build/bench/frontend/bench_frontend" "$rounds" | tee "$results/frontend.txt"; then
        line=$(grep '^RESULT frontend' "$results/frontend.txt")
        get() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$line"; }
        summary+=("front end  release to end of answer paint: median $(get release_to_paint_median_ms) ms, first drop $(get first_drop_ms) ms; a 60 Hz frame is $(get frame_budget_ms) ms")
    else
        failed=1
        summary+=("front end  FAILED to run (see $results/frontend.txt)")
    fi
fi

echo
echo "=== Summary (figures only; full outputs in $results) ==="
printf '%s\n' "${summary[@]}"
exit $failed
