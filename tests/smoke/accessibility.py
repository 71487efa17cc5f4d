# SPDX-License-Identifier: GPL-3.0-or-later
"""Drives the running player as a screen reader does: walks its accessible tree over
AT-SPI, checks names and roles, presses the transport buttons through their actions,
sets the volume and the position through the value interface, and checks over MPRIS
that playback follows."""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

patience = float(sys.argv[1]) if len(sys.argv) > 1 else 1.0


def fail(message):
    print("accessibility: " + message)
    sys.exit(1)


def wait_for(test, what, seconds=10):
    for _ in range(int(seconds * patience * 10)):
        if test():
            return
        time.sleep(0.1)
    fail(what)


def nodes(root):
    yield root
    for child in root:
        if child is not None:
            yield from nodes(child)


def find(root, role, name):
    # A menu item's name carries the shortcut text its caption shows, after a tab.
    for node in nodes(root):
        if node.getRoleName() == role and node.name.split("\t")[0] == name:
            return node
    return None


def need(root, role, name):
    node = find(root, role, name)
    if node is None:
        fail("no %s named %r" % (role, name))
    return node


def lumeno():
    return next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "Lumeno"), None)


def mpris(*args):
    out = subprocess.run(["playerctl", "--player=lumeno", *args], capture_output=True, text=True)
    return out.stdout.strip()


def press(button):
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        fail("%r cannot be pressed: %s" % (button.name, names))
    action.doAction(names.index("Press"))


wait_for(lambda: lumeno() is not None, "the player is not on the accessibility bus")
app = lumeno()
wait_for(lambda: find(app, "frame", "Playlist - Lumeno") is not None, "no playlist window")
player = need(app, "frame", "Player Control - Lumeno")
need(app, "frame", "Video Display - Lumeno")
playlist = need(app, "frame", "Playlist - Lumeno")

buttons = {}
for name in ("Prev Tract", "Play", "Pause", "Stop", "Next Tract", "Full Screen", "Playlist",
             "Help", "About"):
    buttons[name] = need(player, "push button", name)
for name in ("Continue", "Repeat", "Shuffle"):
    need(need(player, "panel", "Play Order"), "radio button", name)
mute = need(player, "check box", "Mute")
volume = need(player, "slider", "Volume").queryValue()
position = need(player, "slider", "Position")
if not any(n.getRoleName() == "combo box" for n in nodes(playlist)):
    fail("no playlist name box")
entries = need(playlist, "list", "Playlist")
line = need(entries, "list item", "01 long6min.avi")

wait_for(lambda: mpris("status") == "Playing", "the file given does not play")
for name, status in (("Pause", "Paused"), ("Play", "Playing"), ("Stop", "Stopped"),
                     ("Play", "Playing")):
    press(buttons[name])
    wait_for(lambda: mpris("status") == status, "%s did not give %s" % (name, status))

volume.currentValue = 70
wait_for(lambda: mpris("volume") == "0.700000", "the volume slider does not set the volume")
mute.queryAction().doAction(0)
wait_for(lambda: mute.getState().contains(pyatspi.STATE_CHECKED), "Mute does not toggle")

# The position bar counts seconds: setting it seeks there.
seconds = position.queryValue()
wait_for(lambda: seconds.maximumValue >= 300, "the position bar has no range")
seconds.currentValue = 240
wait_for(lambda: 240 <= float(mpris("position") or 0) < 250, "the position bar does not seek")

# A popup menu is no child of the application: a screen reader learns of it from the
# event it raises when it shows. The one the Sel button opens is read and used.
menus = []


def showing(event):
    if event.source.getRoleName() == "popup menu" and event.detail1:
        menus.append(event.source)
        pyatspi.Registry.stop()


pyatspi.Registry.registerEventListener(showing, "object:state-changed:showing")
GLib.timeout_add(100, lambda: press(need(playlist, "push button", "Sel")))
GLib.timeout_add(int(10000 * patience), pyatspi.Registry.stop)
pyatspi.Registry.start()
if not menus:
    fail("the Sel menu does not show")
need(menus[0], "menu item", "Select None")
need(menus[0], "menu item", "Invert Selection")
need(menus[0], "menu item", "Select All").queryAction().doAction(0)
wait_for(lambda: line.getState().contains(pyatspi.STATE_SELECTED), "Select All selected nothing")
