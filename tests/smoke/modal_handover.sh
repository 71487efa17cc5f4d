#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# A message box open in the running player: later starts still hand their files over at
# once, and none of those files is lost. usage: modal_handover.sh LUMENO_BINARY MEDIA_DIR
bin=$1; media=$(cd "$2" && pwd)
. "$(dirname "$0")/lib.sh"

start_player "$media/audio.wav"
wait_for playing audio.wav || fail "the first file does not play"
# A missing file handed over: the player shows "File Not found !!!" and waits for OK.
timeout $((10 * patience)) "$bin" "$work/missing.mp3" >/dev/null 2>&1 || fail "the hand-over of a missing file hung"
wait_for window "^Warning" || fail "no warning box for the missing file"
# The box stays open; later starts must not wait for someone to click it.
timeout $((10 * patience)) "$bin" "$media/audio.mp3" >/dev/null 2>&1 || fail "a start hung on the open message box"
timeout $((10 * patience)) "$bin" "$media/song.mid" >/dev/null 2>&1 || fail "a second start hung on the open message box"
window "^Warning" || fail "the warning box went away by itself"

# OK clicked: the files handed over meanwhile are taken in turn, the last one plays.
box=$(xdotool search --onlyvisible --name "^Warning" | head -1)
xdotool windowfocus --sync "$box"
xdotool key Return
wait_for playing song.mid || fail "the files handed over during the box were not taken"
stop_player || fail "the player's exit code is not 0"
expected=$(printf '%s\n' "$media/audio.wav" "$work/missing.mp3" "$media/audio.mp3" "$media/song.mid")
[ "$(saved_paths)" = "$expected" ] || { cat "$ist"; fail "Default.ist does not hold the four files"; }
echo "$name: ok"
