#!/bin/sh
# Builds and runs the benchmarks; they print figures, never pass or fail.
set -eu
exec ./bench/run-benchmarks.sh "${1:-build}"
