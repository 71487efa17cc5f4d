#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the real program under Xvfb as a person would: plays two files, hands a third
# over from a second start, closes it with a termination request and checks what it
# wrote to disk.  usage: smoke.sh LUMENO_BINARY MEDIA_DIR
bin=$1; media=$2
. "$(dirname "$0")/lib.sh"

start_player "$media/audio.wav" "$media/avi_mjpeg_pcm.avi"
window "^Video Display - Lumeno$" || fail "no video window"
window "^Playlist - Lumeno$" || fail "no playlist window"
wait_for playing audio.wav || fail "the first file does not play"

# A second start without files ends at once and changes nothing.
timeout $((10 * patience)) "$bin" || fail "a second start without files failed"
# A second start hands its files over one by one; the last one plays.
timeout $((20 * patience)) "$bin" "$media/audio.mp3" "$media/mpeg1_ps.mpg" >/dev/null 2>&1 || fail "hand-over failed"
wait_for playing mpeg1_ps.mpg || fail "the handed-over file does not play"
kill -0 "$player" || fail "the first instance died"

stop_player || fail "the player's exit code is not 0"
[ -f "$ist" ] || fail "no Default.ist"
expected=$(printf '%s\r\n%s/%s\r\n' audio.wav "$media" audio.wav avi_mjpeg_pcm.avi "$media" \
    avi_mjpeg_pcm.avi audio.mp3 "$media" audio.mp3 mpeg1_ps.mpg "$media" mpeg1_ps.mpg)
[ "$(cat "$ist")" = "$expected" ] || { od -c "$ist" | head; fail "Default.ist does not hold the four files"; }
grep -q "^last playlist=$ist" "$XDG_DATA_HOME/Lumeno/indo.ini" || fail "indo.ini lacks the last playlist"
# Once closed, a new start is the running instance again.
start_player
stop_player || fail "the restarted player's exit code is not 0"
echo "$name: ok"
