#!/bin/sh
# Builds and runs the benchmarks; they print figures, never pass or fail.
# The comparisons with Qt's QMediaPlayer need Qt Multimedia, which the
# quiz itself does not: they are switched on here.
set -eu
build=${1:-build}
cmake -S . -B "$build" -DDRILLIX_BENCH=ON -DDRILLIX_BENCH_MULTIMEDIA=ON >/dev/null
exec ./bench/run-benchmarks.sh "$build"
