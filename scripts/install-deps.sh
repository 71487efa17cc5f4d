#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package that building, running and testing Lumeno needs.
# Idempotent: when everything is present it only checks and returns.
set -eu

PKGS="build-essential cmake ninja-build pkg-config
qt6-base-dev qt6-base-dev-tools libgl-dev
libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libgstreamer-plugins-bad1.0-dev
gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-x gstreamer1.0-gl
gstreamer1.0-tools gstreamer1.0-pulseaudio fluid-soundfont-gm
libcdio-dev libcdio-paranoia-dev libdvdread-dev libdiscid-dev libdiscid0 libswscale-dev libasound2-dev libasound2-plugins libudev-dev
ffmpeg dvdauthor sox python3 xvfb xauth xdotool x11-apps x11-utils openbox pulseaudio pulseaudio-utils
dbus-x11
dbus libglib2.0-bin librsvg2-bin appstream desktop-file-utils dpkg-dev file lintian man-db
umockdev libumockdev-dev playerctl at-spi2-core python3-pyatspi
weston qt6-wayland
clang libclang-rt-14-dev llvm"

missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
