#!/bin/sh
# Starts the real program under Xvfb as a person would: plays two files, hands a third
# over from a second start, closes it with a termination request and checks what it
# wrote to disk.  usage: smoke.sh LUMENO_BINARY MEDIA_DIR
set -eu
bin=$1; media=$2
work=$(mktemp -d); trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/data GST_DEBUG_DUMP_DOT_DIR=$work/dot
mkdir -p "$XDG_RUNTIME_DIR" "$GST_DEBUG_DUMP_DOT_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
export LUMENO_AUDIO_SINK="fakesink sync=true"
export LUMENO_MIXER_DEVICE=null # never the machine's own volume
unset LUMENO_VIDEO_SINK QT_QPA_PLATFORM

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for i in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

fail() { echo "smoke: $*"; cat "$work/lumeno.log" 2>/dev/null | grep -v '^ALSA' | tail -20; exit 1; }
# The newest graph picture names the file the graph plays.
playing() {
    newest=$(ls -t "$GST_DEBUG_DUMP_DOT_DIR" | head -1)
    [ -n "$newest" ] && grep -q "$1" "$GST_DEBUG_DUMP_DOT_DIR/$newest"
}
patience=${LUMENO_TEST_PATIENCE:-1} # more for slower builds
wait_for() { for i in $(seq $((100 * patience))); do if "$@"; then return 0; fi; sleep 0.1; done; return 1; }

"$bin" "$media/audio.wav" "$media/avi_mjpeg_pcm.avi" >"$work/lumeno.log" 2>&1 &
first=$!
wait_for xdotool search --name "^Player Control - Lumeno$" >/dev/null || fail "no player window"
xdotool search --name "^Video Display - Lumeno$" >/dev/null || fail "no video window"
xdotool search --name "^Playlist - Lumeno$" >/dev/null || fail "no playlist window"
wait_for playing audio.wav || fail "the first file does not play"

# A second start without files ends at once and changes nothing.
timeout $((10 * patience)) "$bin" || fail "a second start without files failed"
# A second start hands its files over one by one; the last one plays.
timeout $((20 * patience)) "$bin" "$media/audio.mp3" "$media/mpeg1_ps.mpg" >/dev/null 2>&1 || fail "hand-over failed"
wait_for playing mpeg1_ps.mpg || fail "the handed-over file does not play"
kill -0 $first || fail "the first instance died"

kill -TERM $first
for i in $(seq $((100 * patience))); do kill -0 $first 2>/dev/null || break; sleep 0.1; done
kill -0 $first 2>/dev/null && fail "the player did not close"

ist=$XDG_DATA_HOME/Lumeno/Playlist/Default.ist
[ -f "$ist" ] || fail "no Default.ist"
expected=$(printf '%s\r\n%s/%s\r\n' audio.wav "$media" audio.wav avi_mjpeg_pcm.avi "$media" \
    avi_mjpeg_pcm.avi audio.mp3 "$media" audio.mp3 mpeg1_ps.mpg "$media" mpeg1_ps.mpg)
[ "$(cat "$ist")" = "$expected" ] || { od -c "$ist" | head; fail "Default.ist does not hold the four files"; }
grep -q "^last playlist=$ist" "$XDG_DATA_HOME/Lumeno/indo.ini" || fail "indo.ini lacks the last playlist"
# Once closed, a new start is the running instance again.
"$bin" >/dev/null 2>&1 & again=$!
wait_for xdotool search --name "^Player Control - Lumeno$" >/dev/null || fail "no restart"
kill -TERM $again; wait $again || true
echo "smoke: ok"
