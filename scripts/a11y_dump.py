#!/usr/bin/python3
"""Reads Kvapoměr's windows through AT-SPI, as a screen reader does.

  a11y_dump.py tree                  prints every window of the program as a tree
  a11y_dump.py listen SECONDS        prints the name and description changes for
                                     SECONDS, with a count per object and kind
  a11y_dump.py wait-window TITLE     waits until a window whose name contains TITLE
                                     is there (exit 1 after 10 s)
  a11y_dump.py gone-window TITLE     waits until no such window is left
  a11y_dump.py focused               prints the object that has the keyboard focus
"""

import sys
import time

import pyatspi
from gi.repository import GLib

APP = "Kvapomer"


def application():
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == APP:
                return app
        time.sleep(0.1)
    sys.exit(f"no application named {APP} on the accessibility bus")


def describe(acc):
    states = acc.getState()
    marks = [name for name, state in (("focusable", pyatspi.STATE_FOCUSABLE),
                                      ("focused", pyatspi.STATE_FOCUSED),
                                      ("showing", pyatspi.STATE_SHOWING),
                                      ("disabled", None))
             if (state is not None and states.contains(state))
             or (state is None and not states.contains(pyatspi.STATE_ENABLED))]
    text = f"[{acc.getRoleName()}] \"{acc.name}\""
    if acc.description:
        text += f" — \"{acc.description}\""
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            labels = [relation.getTarget(i).name for i in range(relation.getNTargets())]
            text += " labelled by " + ", ".join(f"\"{l}\"" for l in labels)
    try:
        box = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        text += f" @{box.x},{box.y} {box.width}x{box.height}"
    except NotImplementedError:
        pass
    return text + (" {" + ", ".join(marks) + "}" if marks else "")


def tree(acc, depth=0):
    print("  " * depth + describe(acc))
    for child in acc:
        if child is not None:
            tree(child, depth + 1)


def windows():
    return [w for w in application() if w is not None]


def wait_window(title, present, seconds=10.0):
    end = time.time() + seconds
    while time.time() < end:
        found = any(title in (w.name or "") for w in windows())
        if found == present:
            return 0
        time.sleep(0.2)
    return 1


def listen(seconds):
    counts = {}

    def on_event(event):
        source = event.source
        kind = event.type.split(":")[-1]
        value = source.name if kind == "accessible-name" else source.description
        print(f"{time.strftime('%H:%M:%S')} {kind} [{source.getRoleName()}] → \"{value}\"",
              flush=True)
        key = (source.getRoleName(), kind)
        counts[key] = counts.get(key, 0) + 1

    application()
    pyatspi.Registry.registerEventListener(on_event,
                                           "object:property-change:accessible-name",
                                           "object:property-change:accessible-description")
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    pyatspi.Registry.start()
    for (role, kind), n in sorted(counts.items()):
        print(f"  {n} × {kind} of [{role}]")


def focused():
    def search(acc, parent_focused=True):
        is_focused = acc.getState().contains(pyatspi.STATE_FOCUSED)
        # An entry of a list counts only while the list itself has the focus.
        if is_focused and (acc.getRole() != pyatspi.ROLE_LIST_ITEM or parent_focused):
            return acc
        for child in acc:
            if child is not None:
                hit = search(child, is_focused)
                if hit:
                    return hit
        return None

    for window in windows():
        hit = search(window)
        if hit:
            print(describe(hit))
            return 0
    print("nothing has the focus")
    return 1


def main(argv):
    if argv[1:2] == ["tree"]:
        for window in windows():
            tree(window)
            print()
        return 0
    if argv[1:2] == ["listen"]:
        listen(float(argv[2]))
        return 0
    if argv[1:2] == ["wait-window"]:
        return wait_window(argv[2], True)
    if argv[1:2] == ["gone-window"]:
        return wait_window(argv[2], False)
    if argv[1:2] == ["focused"]:
        return focused()
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
