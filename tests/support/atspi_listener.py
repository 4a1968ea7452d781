# Listens on the accessibility bus as a screen reader does and prints one JSON line per event the
# tests care about; answers "find NAME" on stdin with the first accessible of that name (its role,
# whether it is showing, and its parent's role and name). Prints {"type": "ready"} once listening.
import json
import sys

import pyatspi
from gi.repository import GLib

EVENTS = [
    "object:state-changed:showing",
    "object:state-changed:focused",
    "object:property-change:accessible-name",
    "object:property-change:accessible-description",
]


def describe(accessible):
    try:
        return accessible.getRoleName(), accessible.name or ""
    except Exception:
        return "", ""


def say(value):
    sys.stdout.write(json.dumps(value) + "\n")
    sys.stdout.flush()


def on_event(event):
    role, name = describe(event.source)
    say({"type": event.type, "role": role, "name": name, "detail1": event.detail1})


def find(node, name, depth=0):
    if node is None or depth > 40:
        return None
    if describe(node)[1] == name:
        return node
    try:
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return None
    for child in children:
        found = find(child, name, depth + 1)
        if found is not None:
            return found
    return None


def on_input(source, condition):
    line = sys.stdin.readline()
    if not line:
        pyatspi.Registry.stop()
        return False
    if line.startswith("find "):
        name = line[5:].rstrip("\n")
        node = find(pyatspi.Registry.getDesktop(0), name)
        answer = {"find": name, "found": node is not None}
        if node is not None:
            answer["role"] = describe(node)[0]
            answer["showing"] = node.getState().contains(pyatspi.STATE_SHOWING)
            answer["checked"] = node.getState().contains(pyatspi.STATE_CHECKED)
            answer["parentRole"], answer["parentName"] = describe(node.parent)
        say(answer)
    return True


for kind in EVENTS:
    pyatspi.Registry.registerEventListener(on_event, kind)
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_input)
say({"type": "ready"})
pyatspi.Registry.start()
