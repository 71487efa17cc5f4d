#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entry names the window class the player's windows carry, so a dock ties
# the running player to its entry and icon. usage: desktop_entry.sh LUMENO_BINARY MEDIA_DIR
bin=$(realpath "$1"); media=$(cd "$2" && pwd)
entry=$(realpath "$(dirname "$0")/../../data/org.lumeno.Lumeno.desktop")
. "$(dirname "$0")/lib.sh"

wanted=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$wanted" ] || fail "the desktop entry names no StartupWMClass"
start_player
id=$(xdotool search --name "^Player Control - Lumeno$" | head -1)
# WM_CLASS(STRING) = "instance", "class"
class=$(xprop -id "$id" WM_CLASS | sed -n 's/.*", "\(.*\)"$/\1/p')
[ "$class" = "$wanted" ] || fail "the window class is '$class', the desktop entry says '$wanted'"
stop_player || fail "the player's exit code is not 0"
echo "$name: ok"
