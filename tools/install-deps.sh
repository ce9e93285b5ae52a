#!/bin/sh
# Installs every Debian package that building, running and testing the quiz
# needs, on Debian 12 (bookworm) or 13 (trixie). Safe to run again: packages
# already present are skipped, and the package lists are refreshed only when
# something is missing.
#
#   tools/install-deps.sh [--bench]   (--bench: also what `make bench` needs)
set -eu

release=""
if [ -r /etc/os-release ]; then
    # shellcheck disable=SC1091
    . /etc/os-release
    if [ "${ID:-}" = debian ]; then
        release=${VERSION_CODENAME:-}
    fi
fi

# The same names serve both releases: clang and libclang-rt-dev follow each
# release's own LLVM (14 on Debian 12, 19 on Debian 13).
PACKAGES="
  build-essential cmake pkg-config python3
  qt6-base-dev libfontconfig-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libgtest-dev libgmock-dev libbenchmark-dev libx11-dev
  fonts-liberation xdg-utils
  xvfb xauth xdotool x11-utils imagemagick ffmpeg sox
  pulseaudio pulseaudio-utils icoutils
  desktop-file-utils appstream lintian dpkg-dev file devscripts
  clang libclang-rt-dev strace fontconfig fonts-dejavu-core
  libpulse-dev libseccomp-dev
  openbox qt6-gtk-platformtheme
  sway grim qt6-wayland libwayland-dev libwayland-bin
"
# The benchmarks compare the quiz's sound with Qt's QMediaPlayer.
if [ "${1:-}" = --bench ]; then
    PACKAGES="$PACKAGES qt6-multimedia-dev"
fi

case "$release" in
    bookworm) name="Debian 12 (bookworm)" ;;
    trixie) name="Debian 13 (trixie)" ;;
    *)
        echo "install-deps: this is ${PRETTY_NAME:-an unknown system}, not Debian 12 or 13." >&2
        echo "install-deps: the package names below are Debian's; install them by hand, or build on Debian 12 or 13:" >&2
        echo "$PACKAGES" | tr -s ' \n' ' ' | fold -s -w 76 | sed 's/^/    /' >&2
        echo >&2
        exit 1
        ;;
esac

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

echo "install-deps: $name; installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
