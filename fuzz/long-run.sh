#!/bin/sh
# The long fuzzing runs: each target in turn (never two at once), until ten
# million executions or thirty minutes, whichever comes first.
#
#   fuzz/long-run.sh [BUILD_DIR] [TARGET...]
#
# BUILD_DIR defaults to build-fuzz (built first if needed). Prints, for each
# target, the executions, the time and libFuzzer's coverage figures (cov:
# edges of our code reached, ft: features); exits non-zero if any target
# found something. Logs stay in BUILD_DIR/logs.
set -u

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build-fuzz}
[ $# -gt 0 ] && shift
targets=${*:-namesfile cursor skin audio}
runs=${FUZZ_LONG_RUNS:-10000000}
seconds=${FUZZ_LONG_SECONDS:-1800}

"$here/build.sh" "$build" >/dev/null || exit $?

failed=0
summary=""
for t in $targets; do
    start=$(date +%s)
    "$here/run.sh" "$build" "$t" "$seconds" "$runs" >"$build/logs/long-$t.out" 2>&1
    status=$?
    took=$(( $(date +%s) - start ))
    line=$(grep '^last status line' "$build/logs/long-$t.out" | sed 's/^last status line: //')
    result="no finding"
    if [ "$status" -ne 0 ]; then
        result="FINDING (status $status, see $build/logs/long-$t.out)"
        failed=1
    fi
    summary="$summary$t: ${took}s: $line: $result
"
    printf '%s: %ss: %s: %s\n' "$t" "$took" "$line" "$result"
done
printf '\nsummary:\n%s' "$summary"
exit "$failed"
