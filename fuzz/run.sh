#!/bin/sh
# Runs one fuzz target for a while on its committed seeds plus the corpus it
# has grown so far, and prints libFuzzer's closing figures.
#
#   fuzz/run.sh BUILD_DIR TARGET SECONDS [MAX_RUNS]
#
# With MAX_RUNS 0 the target only replays the seeds and the corpus, once
# each (SECONDS 0: no time limit).
# BUILD_DIR is the folder fuzz/build.sh built into. New inputs go to
# BUILD_DIR/corpus/TARGET, crashes and hangs to BUILD_DIR/findings/. Exits
# non-zero on a finding (libFuzzer's own status), 77 when the target was
# never built.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=$1
target=$2
seconds=$3
runs=${4:--1}

exe="$build/fuzz_$target"
if [ ! -x "$exe" ]; then
    echo "SKIP: $exe was not built (see fuzz/build.sh)"
    exit 77
fi

case "$target" in
namesfile) max_len=8192 ;;
cursor) max_len=16384 ;;
skin) max_len=8192 ;;
audio) max_len=16384 ;;
*) echo "unknown target $target"; exit 2 ;;
esac

mkdir -p "$build/corpus/$target" "$build/findings" "$build/logs"
log="$build/logs/$target-$(date +%Y%m%d-%H%M%S).log"
dict=""
[ -f "$here/dict/$target.dict" ] && dict="-dict=$here/dict/$target.dict"

# Findings must be fatal and come with a stack; leaks are looked for
# (libFuzzer checks each new input once), with the one-off allocations of
# Qt and fontconfig suppressed.
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:halt_on_error=1:detect_leaks=1:symbolize=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/../tools/lsan.supp:print_suppressions=0}"
export QT_QPA_PLATFORM=offscreen

echo "fuzzing $target for ${seconds}s (runs: $runs), log $log"
status=0
# shellcheck disable=SC2086
"$exe" -max_total_time="$seconds" -runs="$runs" -max_len="$max_len" -timeout=25 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target-" $dict \
    "$build/corpus/$target" "$here/corpus/$target" >"$log" 2>&1 || status=$?

# The closing figures: executions, speed, coverage (cov) and features (ft).
last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
echo "last status line: $last"
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb|new_units_added)' "$log" || true
if [ "$status" -ne 0 ]; then
    echo "FINDING in $target (status $status); log tail:"
    tail -60 "$log"
    ls -1 "$build/findings" | grep "^$target-" || true
fi
exit "$status"
