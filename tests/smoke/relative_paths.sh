#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Files named relative to the folder each start was made in: the first start plays its
# own, a later start from another folder hands over the file it means, and the list
# keeps full paths; the start that hands over loads nothing of the player.
# usage: relative_paths.sh LUMENO_BINARY MEDIA_DIR
bin=$(realpath "$1"); media=$(cd "$2" && pwd)
. "$(dirname "$0")/lib.sh"

cd "$media"
start_player audio.wav ./song.mid
wait_for playing audio.wav || fail "a relative file on the first start does not play"
window "^Error" && fail "the first start shows an error box"
cd "$(dirname "$media")"
LD_DEBUG=files LD_DEBUG_OUTPUT="$work/handover-libs" timeout $((10 * patience)) \
    "$bin" "$(basename "$media")/audio.mp3" >/dev/null 2>&1 || fail "the hand-over failed"
# That start needed no GUI, no media framework and not the player's own module.
grep -q 'file=libQt6Network' "$work"/handover-libs.* || fail "no record of what the hand-over loaded"
grep -h 'file=.*\(libQt6Gui\|libQt6Widgets\|libgstreamer\|lumeno-player\)' "$work"/handover-libs.* &&
    fail "the hand-over loaded what only the running player needs"
wait_for playing audio.mp3 || fail "the relative file handed over does not play"
window "^Warning" && fail "the hand-over shows a warning box"
stop_player || fail "the player's exit code is not 0"
expected=$(printf '%s\n' "$media/audio.wav" "$media/song.mid" "$media/audio.mp3")
[ "$(saved_paths)" = "$expected" ] || { cat "$ist"; fail "Default.ist does not hold the full paths"; }
echo "$name: ok"
