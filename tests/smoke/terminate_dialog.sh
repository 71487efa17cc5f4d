#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# A termination request closes the player, saving the list, while a message box is open.
# usage: terminate_dialog.sh LUMENO_BINARY MEDIA_DIR
bin=$1; media=$(cd "$2" && pwd)
. "$(dirname "$0")/lib.sh"

# The first file given is missing: the start-up shows "File Not found !!!".
start_player "$work/missing.mp3" "$media/audio.wav"
wait_for window "^Warning" || fail "no warning box for the missing file"
stop_player || fail "the player's exit code after a termination request is not 0"
expected=$(printf '%s\n' "$work/missing.mp3" "$media/audio.wav")
[ "$(saved_paths)" = "$expected" ] || { cat "$ist"; fail "Default.ist does not hold the two files"; }
grep -q "^last playlist=$ist" "$XDG_DATA_HOME/Lumeno/indo.ini" || fail "indo.ini lacks the last playlist"
window "^Warning" && fail "the warning box outlived the player"

echo "$name: ok"
