#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The picture on a scaled screen (QT_SCALE_FACTOR=2) under a real X server: the native
# sink's picture fills the video window's device pixels, not a corner of them.
# usage: video_scaled.sh LUMENO_BINARY MEDIA_DIR
set -eu
bin=$1; media=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'kill $player $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/data QT_SCALE_FACTOR=2
mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
export LUMENO_AUDIO_SINK="fakesink sync=true" LUMENO_MIXER_DEVICE=null
unset LUMENO_VIDEO_SINK QT_QPA_PLATFORM
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 2048x1536x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for i in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
fail() { echo "video_scaled: $*"; tail -5 "$work/lumeno.log"; exit 1; }

"$bin" "$media/quarters.avi" >"$work/lumeno.log" 2>&1 &
player=$!
for i in $(seq 100); do xdotool search --name "^Video Display - Lumeno$" >/dev/null 2>&1 && break; sleep 0.1; done
video=$(xdotool search --name "^Video Display - Lumeno$" | head -1)
[ -n "$video" ] || fail "no video window"
sleep 3
eval "$(xdotool getwindowgeometry --shell "$video")"
# The colour of the window's pixels at fractions (x/8, y/8) of its size, as rrggbb.
pixel() { ffmpeg -loglevel error -f x11grab -video_size 1x1 \
              -i "$DISPLAY+$((X + WIDTH * $1 / 8)),$((Y + HEIGHT * $2 / 8))" -frames:v 1 \
              -f rawvideo -pix_fmt rgb24 - | od -An -tx1 | tr -d ' \n'; }
near() { # rrggbb wanted-rrggbb: each channel within 60
    python3 -c "import sys; a, b = bytes.fromhex(sys.argv[1]), bytes.fromhex(sys.argv[2]); sys.exit(0 if all(abs(x - y) < 60 for x, y in zip(a, b)) else 1)" "$1" "$2"
}
for spot in "1 1 ff0000" "7 1 00ff00" "1 7 0000ff" "7 7 ffff00"; do
    set -- $spot
    got=$(pixel "$1" "$2")
    near "$got" "$3" || fail "at ($1/8, $2/8) of the ${WIDTH}x$HEIGHT window: $got, not $3"
done
echo "video_scaled: the picture fills the window's ${WIDTH}x$HEIGHT device pixels"
