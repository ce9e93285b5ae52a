#!/bin/sh
# Shows what the built program touches on this machine: runs it under strace
# on a private X server through a short game, lists every path it touched
# by kind, and fails if it wrote anything, started another program or read
# outside its installation folder, the fonts, the libraries and the usual
# system configuration. Then makes the start-up draw open the web site and
# checks that the URL opener is started with an argument list, not through a
# shell. Needs strace, Xvfb and xdotool.
#
#   tools/check-file-access.sh [BUILD_DIR]        (default: build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
cmake --build "$build" --target veltmora-drillix hardening_drawfinder -j "${JOBS:-2}" >/dev/null
exec /usr/bin/python3 "$root/tests/hardening/e2e_file_access.py" \
    --program "$build/veltmora-drillix" \
    --drawfinder "$build/tests/hardening/hardening_drawfinder" \
    --artifacts "$build/tests/hardening/artifacts"
