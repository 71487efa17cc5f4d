#!/bin/sh
# The video window under a real X server: when nothing plays (a video ended, then the
# next file failed to open), a window that covered it must leave nothing behind.  usage: video_repaint.sh LUMENO_BINARY MEDIA_DIR
set -eu
bin=$1; media=$2
work=$(mktemp -d)
finish() {
    kill $lumeno $cover 2>/dev/null || true
    sleep 1 # the player saves its lists as it closes
    kill $xvfb 2>/dev/null || true
    rm -rf "$work" || true
}
trap finish EXIT
lumeno=; cover=
export XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/data
mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
export LUMENO_AUDIO_SINK="fakesink sync=true"
export LUMENO_MIXER_DEVICE=null # never the machine's own volume
unset LUMENO_VIDEO_SINK QT_QPA_PLATFORM

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for i in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
fail() { echo "video_repaint: $*"; grep -v '^ALSA' "$work/lumeno.log" | tail -20; exit 1; }
patience=${LUMENO_TEST_PATIENCE:-1} # more for slower builds
wait_for() { for i in $(seq $((100 * patience))); do if "$@"; then return 0; fi; sleep 0.1; done; return 1; }
# The colour of one pixel of the screen, as rrggbb.
pixel() { ffmpeg -loglevel error -f x11grab -video_size 1x1 -i "$DISPLAY+$1,$2" -frames:v 1 \
              -f rawvideo -pix_fmt rgb24 - | od -An -tx1 | tr -d ' \n'; }

"$bin" "$media/avi_mjpeg_pcm.avi" "$media/corrupt.avi" >"$work/lumeno.log" 2>&1 &
lumeno=$!
wait_for xdotool search --name "^Video Display - Lumeno$" >/dev/null || fail "no video window"
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
player=$(xdotool search --name "^Player Control - Lumeno$" | head -1)
list=$(xdotool search --name "^Playlist - Lumeno$" | head -1)
eval "$(xdotool getwindowgeometry --shell "$list")"
xdotool mousemove $((X + 40)) $((Y + 32)) click --repeat 2 --delay 80 1 # line 1
sleep 5
dismiss
eval "$(xdotool getwindowgeometry --shell "$video")"
xmessage -bg white -geometry "200x100+$((cx - 100))+$((cy - 50))" "covering" &
cover=$!
wait_for xdotool search --name "^xmessage$" >/dev/null || fail "no covering window"
sleep 1
covered=$(pixel $cx $cy)
[ "$covered" != 000000 ] || fail "the covering window was not drawn"
kill $cover; cover=
sleep 1
colour=$(pixel $cx $cy)
[ "$colour" = 000000 ] || fail "leftover at $cx,$cy: #$colour where the window is black"
echo "video_repaint: ok"
exit 0
