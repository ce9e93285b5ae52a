#!/bin/sh
# Starts the quiz from the build folder. Without a display it starts a
# virtual X server, saves a screenshot of the window and says so.
set -eu

BUILD=${1:-build}
PROGRAM="$BUILD/veltmora-drillix"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$PROGRAM"
fi

echo "No display found: starting the quiz on a virtual X server."
display=:$(( 90 + $$ % 100 ))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$quiz" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT INT TERM
export DISPLAY="$display"
i=0
until xdpyinfo >/dev/null 2>&1; do
    i=$((i + 1)); [ $i -lt 100 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.05
done

"$PROGRAM" &
quiz=$!
i=0
until window=$(xdotool search --onlyvisible --name '^Veltmora Drillix$' 2>/dev/null | head -n1) && [ -n "$window" ]; do
    i=$((i + 1))
    if [ $i -ge 300 ] || ! kill -0 "$quiz" 2>/dev/null; then
        echo "The quiz window did not appear." >&2
        exit 1
    fi
    sleep 0.05
done
sleep 0.5
import -window "$window" "$BUILD/screenshot.png"
echo "The quiz is running on a virtual display; a screenshot of its window is in $BUILD/screenshot.png"
