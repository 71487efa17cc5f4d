#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Windows opened over a playing video, under a window manager when one is installed: the
# About window and a message box show their own contents where they cover the picture,
# from their first showing on.  usage: windows_over_video.sh LUMENO_BINARY MEDIA_DIR
bin=$1; media=$(cd "$2" && pwd)
. "$(dirname "$0")/lib.sh"

if command -v openbox >/dev/null 2>&1; then
    openbox >"$work/wm.log" 2>&1 &
    echo $! >>"$work/pids"
    sleep 1
else
    echo "$name: openbox is missing, windows are placed without a window manager"
fi

# Absolute client-area geometry of a window: X Y W H.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                             /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}
# The share (percent) of light pixels in a window's area as the screen shows it. Read
# from the screen itself: `xwd -root` assembles its picture window by window and leaves
# out windows that overlap others, so it reports black where the screen is not.
light_share() {
    set -- $(geometry "$1")
    ffmpeg -loglevel error -f x11grab -video_size "${3}x$4" -i "$DISPLAY+$1,$2" -frames:v 1 \
        -f rawvideo -pix_fmt gray - |
        python3 -c 'import sys; d = sys.stdin.buffer.read(); print(sum(b > 128 for b in d) * 100 // max(len(d), 1))'
}
overlaps() {
    set -- $(geometry "$1") $(geometry "$2")
    [ "$1" -lt $(($5 + $7)) ] && [ "$5" -lt $(($1 + $3)) ] &&
        [ "$2" -lt $(($6 + $8)) ] && [ "$6" -lt $(($2 + $4)) ]
}
shown() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
check_painted() { # WINDOW WHAT
    share=$(light_share "$1")
    [ "$share" -ge 50 ] || fail "$2 shows only $share% light pixels"
}

start_player "$media/long12.avi"
wait_for playing long12.avi || fail "the video does not play"
wait_for window "^Video Display - Lumeno$" || fail "no video window"
video=$(shown "^Video Display - Lumeno$")
controls=$(shown "^Player Control - Lumeno$")
sleep 2

# The About button, the last one on the player's tool row.
set -- $(geometry "$controls")
xdotool mousemove $(($1 + 348)) $(($2 + 111)) click 1
wait_for window "^About$" || fail "the About button opened no window"
sleep 1
about=$(shown "^About$")
overlaps "$about" "$video" || fail "the About window is not over the video window"
check_painted "$about" "the About window"
xdotool key Escape
sleep 0.5

# A missing file handed over from a second start: its message box, over the player.
timeout $((10 * patience)) "$bin" "$work/missing.mp3" >/dev/null 2>&1 || fail "the hand-over hung"
wait_for window "^Warning" || fail "no warning box for the missing file"
box=$(shown "^Warning")
sleep 1
check_painted "$box" "the warning box"
xdotool windowfocus --sync "$box" key Return
stop_player || fail "the player's exit code is not 0"
echo "$name: ok"
