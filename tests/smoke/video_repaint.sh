#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The video window under a real X server: when nothing plays (a video ended, then the
# next file failed to open), a window that covered it must leave nothing behind.
# usage: video_repaint.sh LUMENO_BINARY MEDIA_DIR
bin=$1; media=$2
. "$(dirname "$0")/lib.sh"

# The colour of one pixel of the screen, as rrggbb.
pixel() { ffmpeg -loglevel error -f x11grab -video_size 1x1 -i "$DISPLAY+$1,$2" -frames:v 1 \
              -f rawvideo -pix_fmt rgb24 - | od -An -tx1 | tr -d ' \n'; }

start_player "$media/avi_mjpeg_pcm.avi" "$media/corrupt.avi"
wait_for window "^Video Display - Lumeno$" || fail "no video window"
video=$(xdotool search --name "^Video Display - Lumeno$" | head -1)
# The window is placed without a frame here, so its client area starts where it is placed.
eval "$(xdotool getwindowgeometry --shell "$video")"
cx=$((X + WIDTH / 2)); cy=$((Y + HEIGHT / 3))
# The files were handed over as the list; the last one plays first and fails: its error
# box is dismissed, then the video is played from the first line and runs to its end,
# where the next line fails again.
box() { xdotool search --onlyvisible --name "^Error$" 2>/dev/null | head -1; }
box_up() { [ -n "$(box)" ]; }
dismiss() { wait_for box_up || fail "no error box"
            xdotool windowfocus "$(box)"; sleep 0.3; xdotool key Return
            for i in $(seq 50); do [ -z "$(box)" ] && return 0; sleep 0.1; done; fail "box stays"; }
dismiss
list=$(xdotool search --name "^Playlist - Lumeno$" | head -1)
eval "$(xdotool getwindowgeometry --shell "$list")"
xdotool mousemove $((X + 40)) $((Y + 32)) click --repeat 2 --delay 80 1 # line 1
sleep 5
dismiss
eval "$(xdotool getwindowgeometry --shell "$video")"
xmessage -bg white -geometry "200x100+$((cx - 100))+$((cy - 50))" "covering" &
cover=$!; echo $cover >>"$work/pids"
wait_for xdotool search --name "^xmessage$" >/dev/null || fail "no covering window"
sleep 1
covered=$(pixel $cx $cy)
[ "$covered" != 000000 ] || fail "the covering window was not drawn"
kill $cover
sleep 1
colour=$(pixel $cx $cy)
[ "$colour" = 000000 ] || fail "leftover at $cx,$cy: #$colour where the window is black"
echo "$name: ok"
