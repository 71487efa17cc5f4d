#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program under Xvfb, read and driven over AT-SPI on a private session bus, as
# a screen reader does.  usage: dbus-run-session -- accessibility.sh LUMENO_BINARY MEDIA_DIR
bin=$1; media=$2
. "$(dirname "$0")/lib.sh"
# Qt publishes its tree without a desktop setting that asks for it.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_player "$media/long6min.avi"
# Debian's pyatspi belongs to the system's Python.
/usr/bin/python3 "$(dirname "$0")/accessibility.py" "$patience" || fail "see above"
stop_player || fail "the player's exit code is not 0"
echo "$name: ok"
