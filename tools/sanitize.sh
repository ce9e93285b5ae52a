#!/bin/sh
# Builds the quiz and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into a folder of its own and runs the whole test
# suite there: core, front end offscreen, the platform pieces, end to end
# and soak (the fuzz targets are sanitized in their own build, see fuzz/).
#
#   tools/sanitize.sh [BUILD_DIR]        (default: build-asan)
#
# Any finding is fatal: the process stops at the first error with a stack
# trace, and its test fails. Leaks are looked for at every exit, with the
# one-off allocations of system libraries listed in tools/lsan.supp.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-asan}
jobs=${JOBS:-2}
start=$(date +%s)

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g"
if [ ! -f "$build/CMakeCache.txt" ]; then
    # Warnings are the normal build's business; the sanitizers change some.
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRILLIX_BENCH=OFF -DDRILLIX_WERROR=OFF \
        -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
        -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
fi
cmake --build "$build" -j "$jobs"
built=$(date +%s)

# intercept_strndup=0: libxkbcommon-x11 (under Qt's xcb platform) calls
# strndup on X replies that are not NUL-terminated, and GCC 12's ASan checks
# one byte past the length it was given: a false report at every start-up.
# Settings already in the environment come last, and so win.
ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:print_stacktrace=1:strict_string_checks=1:check_initialization_order=1:intercept_strndup=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

# Leaks are checked at the exit of every test process except the built
# program in the end-to-end tests: there, with a sound server, PulseAudio's
# client threads may still be ending when the leak check stops the world,
# and LeakSanitizer's tracer then dies now and again ("Tracer caught signal
# 11"). Memory errors and undefined behaviour stay fatal there too.
status=0
(cd "$build" && ctest --output-on-failure -j "$jobs" -LE 'fuzz|e2e' --timeout 1800) || status=$?
ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
(cd "$build" && ctest --output-on-failure -j "$jobs" -L e2e -LE fuzz --timeout 1800) || status=$?
end=$(date +%s)
echo "sanitize: build $((built - start)) s, tests $((end - built)) s, status $status"
exit "$status"
