#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Many starts at once with nothing running: one becomes the running instance, the others
# wait for it to take hand-overs; every file arrives and every start ends with 0.
# usage: simultaneous_starts.sh LUMENO_BINARY MEDIA_DIR [COUNT]
bin=$1; media=$(cd "$2" && pwd); count=${3:-${LUMENO_TEST_STARTS:-100}}
. "$(dirname "$0")/lib.sh"

mkdir "$work/files"
for i in $(seq -w "$count"); do ln -s "$media/audio.wav" "$work/files/f$i.wav"; done
for i in $(seq -w "$count"); do
    timeout $((120 * patience)) "$bin" "$work/files/f$i.wav" >>"$work/lumeno.log" 2>&1 &
    echo $! >>"$work/starts"
done
cat "$work/starts" >>"$work/pids"
# Every start but the running instance ends, and with 0: its file was delivered.
player=
for pid in $(cat "$work/starts"); do
    if [ -z "$player" ] && ! wait_for sh -c "! kill -0 $pid 2>/dev/null"; then
        player=$pid # still running: the one that became the player
        continue
    fi
    wait "$pid" || fail "a start ended with $? (its file was not delivered)"
done
[ -n "$player" ] || fail "no start became the running instance"
wait_for window "^Player Control - Lumeno$" || fail "no player window"
stop_player || fail "the player's exit code is not 0"

[ "$(saved_paths | sort)" = "$(ls -d "$work"/files/* | sort)" ] ||
    fail "Default.ist holds $(saved_paths | sort -u | wc -l) of the $count files"
echo "$name: ok"
