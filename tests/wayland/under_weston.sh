#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command as a client of a private Weston on its headless backend, as a native
# Wayland program (QT_QPA_PLATFORM=wayland). Pixman renders the output, so the
# compositor's own picture of it (weston-screenshooter, allowed by --debug) shows what a
# user would see. The headless backend has no seat, so no window ever has the focus;
# LUMENO_WESTON_BACKEND=x11 runs Weston in a private Xvfb instead, whose keyboard and
# pointer make a seat.  usage: under_weston.sh COMMAND [ARG...]
set -eu
work=$(mktemp -d)
weston_pid=""
xvfb_pid=""
cleanup() {
    status=$?
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ "$status" -ne 0 ] && tail -20 "$work/weston.log" 2>/dev/null
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT INT TERM
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
cat >"$work/weston.ini" <<INI
[core]
idle-time=0
[shell]
panel-position=none
background-color=0xff404040
animation=none
close-animation=none
startup-animation=none
focus-animation=none
INI
backend=headless-backend.so
if [ "${LUMENO_WESTON_BACKEND:-headless}" = x11 ]; then
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1100x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for i in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
    backend=x11-backend.so
    # Without a window manager Weston's window lies at the X screen's origin: an X
    # pointer position is the same position on Weston's output.
fi
# LUMENO_WESTON_OUTPUTS: the number of outputs (screens) of the X11 backend.
[ "$backend" = x11-backend.so ] && outputs=--output-count=${LUMENO_WESTON_OUTPUTS:-1} || outputs=
weston --config="$work/weston.ini" --backend=$backend --use-pixman --debug $outputs \
    --socket=lumeno-test --width=1024 --height=768 >"$work/weston.log" 2>&1 &
weston_pid=$!
for i in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/lumeno-test" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/lumeno-test" ] || { echo "under_weston: weston did not start"; exit 1; }
# The X pointer starts outside Weston's window, so that moving it in is an entry Weston sees.
[ -n "$xvfb_pid" ] && xdotool mousemove 1090 790
export WAYLAND_DISPLAY=lumeno-test QT_QPA_PLATFORM=wayland
# The player must not fall back to X; a test drives the seat's X input through this.
[ -n "$xvfb_pid" ] && export LUMENO_SEAT_DISPLAY=$DISPLAY
unset DISPLAY
"$@"
