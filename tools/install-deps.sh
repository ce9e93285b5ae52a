#!/bin/sh
# Installs every Debian package that building, running and testing the quiz
# needs. Safe to run again: packages already present are skipped, and the
# package lists are refreshed only when something is missing.
set -eu

PACKAGES="
  build-essential cmake pkg-config
  qt6-base-dev qt6-multimedia-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libgtest-dev libgmock-dev libbenchmark-dev libx11-dev
  fonts-liberation xdg-utils
  xvfb xauth xdotool x11-utils imagemagick ffmpeg sox
  pulseaudio pulseaudio-utils icoutils
  desktop-file-utils appstream lintian dpkg-dev file
  clang-14 libclang-rt-14-dev strace fontconfig fonts-dejavu-core
  libpulse-dev
  openbox qt6-gtk-platformtheme
  sway grim qt6-wayland libwayland-dev libwayland-bin
"

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

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
