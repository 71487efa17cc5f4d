#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The picture on a scaled screen (QT_SCALE_FACTOR=2) under a real X server: the native
# sink's picture fills the video window's device pixels, not a corner of them.
# usage: video_scaled.sh LUMENO_BINARY MEDIA_DIR
bin=$1; media=$(cd "$2" && pwd); screen=2048x1536x24
. "$(dirname "$0")/lib.sh"
export QT_SCALE_FACTOR=2

start_player "$media/quarters.avi"
wait_for window "^Video Display - Lumeno$" || fail "no video window"
video=$(xdotool search --name "^Video Display - Lumeno$" | head -1)
eval "$(xdotool getwindowgeometry --shell "$video")"
# The colour of the window's pixels at fractions (x/8, y/8) of its size, as rrggbb.
pixel() { ffmpeg -loglevel error -f x11grab -video_size 1x1 \
              -i "$DISPLAY+$((X + WIDTH * $1 / 8)),$((Y + HEIGHT * $2 / 8))" -frames:v 1 \
              -f rawvideo -pix_fmt rgb24 - | od -An -tx1 | tr -d ' \n'; }
near() { # rrggbb wanted-rrggbb: each channel within 60
    python3 -c "import sys; a, b = bytes.fromhex(sys.argv[1]), bytes.fromhex(sys.argv[2]); sys.exit(0 if all(abs(x - y) < 60 for x, y in zip(a, b)) else 1)" "$1" "$2"
}
# The picture is there once its top left quarter is red (a slower build opens it later).
red() { eval "$(xdotool getwindowgeometry --shell "$video")"; near "$(pixel 1 1)" ff0000; }
wait_for red || true
for spot in "1 1 ff0000" "7 1 00ff00" "1 7 0000ff" "7 7 ffff00"; do
    set -- $spot
    got=$(pixel "$1" "$2")
    near "$got" "$3" || fail "at ($1/8, $2/8) of the ${WIDTH}x$HEIGHT window: $got, not $3"
done
echo "video_scaled: the picture fills the window's ${WIDTH}x$HEIGHT device pixels"
