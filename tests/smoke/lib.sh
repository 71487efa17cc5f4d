# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the scripts that start the real program under Xvfb: a private runtime
# folder and profile, a display, and helpers. Source it after setting bin and media
# (and screen, for another size than 1024x768x24).
set -eu
work=$(mktemp -d)
cleanup() {
    status=$?
    for pid in $(cat "$work/pids" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
    # Waited for, so that the next script's server never meets this one on its way out.
    kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null || true
    # In the sanitizer build a report fails the script even where the player went on.
    if grep -q "ERROR: AddressSanitizer\|ERROR: LeakSanitizer\|runtime error:" "$work/lumeno.log" 2>/dev/null; then
        grep -A30 "ERROR: AddressSanitizer\|ERROR: LeakSanitizer\|runtime error:" "$work/lumeno.log" | head -60
        status=1
    fi
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/data GST_DEBUG_DUMP_DOT_DIR=$work/dot
mkdir -p "$XDG_RUNTIME_DIR" "$GST_DEBUG_DUMP_DOT_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
# Each start opens media afresh, never where an earlier start left it.
mkdir -p "$XDG_DATA_HOME/Lumeno"
printf '[Resume]\nEnabled=false\n[Places]\n[End]\n' >"$XDG_DATA_HOME/Lumeno/resume.ini"
export LUMENO_AUDIO_SINK="fakesink sync=true"
export LUMENO_MIXER_DEVICE=null # never the machine's own volume
unset LUMENO_VIDEO_SINK QT_QPA_PLATFORM

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "${screen:-1024x768x24}" -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for i in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

name=$(basename "$0" .sh)
fail() { echo "$name: $*"; grep -v '^ALSA' "$work/lumeno.log" 2>/dev/null | tail -20; exit 1; }
# The newest graph picture names the file the graph plays.
playing() {
    newest=$(ls -t "$GST_DEBUG_DUMP_DOT_DIR" | head -1)
    [ -n "$newest" ] && grep -q "$1" "$GST_DEBUG_DUMP_DOT_DIR/$newest"
}
# A slower build (the sanitizers) sets LUMENO_TEST_PATIENCE to wait that many times longer.
patience=${LUMENO_TEST_PATIENCE:-1}
wait_for() { for i in $(seq $((100 * patience))); do if "$@"; then return 0; fi; sleep 0.1; done; return 1; }
window() { xdotool search --name "$1" >/dev/null 2>&1; }
# Starts the running instance with the given files and waits for its window.
start_player() {
    "$bin" "$@" >>"$work/lumeno.log" 2>&1 &
    player=$!
    echo $player >>"$work/pids"
    wait_for window "^Player Control - Lumeno$" || fail "no player window"
}
# Sends a termination request and waits (up to 10 s) for the player to end.
stop_player() {
    kill -TERM "$player"
    for i in $(seq $((100 * patience))); do kill -0 "$player" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$player" 2>/dev/null && fail "the player did not close"
    wait "$player"
}
ist=$XDG_DATA_HOME/Lumeno/Playlist/Default.ist
# The paths in Default.ist, one a line.
saved_paths() { awk 'NR % 2 == 0' "$ist" | tr -d '\r'; }
