#!/usr/bin/env python3
"""Reads an application's accessibility tree through AT-SPI, as a screen reader does: waits
until every expected (role, name) pair of its windows is in the tree, then presses the Menu
key, as a user would, and waits for the expected menu items to be announced. Prints what is
missing and what was found, and fails, when the deadline passes first.

usage: accessibility_tree.py APPLICATION SECONDS ROLE=NAME... -- MENU_ITEM...
"""
import sys
import time

import pyatspi
from gi.repository import GLib

MENU_KEY = 0xFF67  # the X keysym of the Menu key
DOWN_KEY = 0xFF54


def walk(node, found, depth=0):
    if node is None or depth > 40:
        return
    try:
        found.add((node.getRoleName(), node.name))
        children = list(node)
    except Exception:  # a node that went away while being read
        return
    for child in children:
        walk(child, found, depth + 1)


def window_tree(application):
    found = set()
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == application:
            walk(app, found)
    return found


def report(wanted, found):
    for role, name in sorted(wanted - found):
        print(f"missing: {role} named {name!r}", file=sys.stderr)
    for role, name in sorted(found):
        print(f"found:   {role} named {name!r}", file=sys.stderr)


def main():
    application, seconds = sys.argv[1], float(sys.argv[2])
    split = sys.argv.index("--")
    wanted = {tuple(pair.split("=", 1)) for pair in sys.argv[3:split]}
    wanted_items = {("menu item", name) for name in sys.argv[split + 1:]}
    deadline = time.monotonic() + seconds
    found = set()
    while not wanted <= found:
        if time.monotonic() > deadline:
            report(wanted, found)
            return 1
        time.sleep(0.25)
        found = window_tree(application)

    # A popup menu is no part of the window tree: a screen reader learns of it from the
    # events of the item that gets the focus, and reads the item's menu from there.
    announced = set()

    def on_event(event):
        source = event.source
        try:
            if source.getRoleName() == "menu item" and source.parent is not None:
                walk(source.parent, announced)
        except Exception:
            return
        if wanted_items <= announced:
            pyatspi.Registry.stop()

    def give_up():
        pyatspi.Registry.stop()
        return False

    def press_keys():
        pyatspi.Registry.generateKeyboardEvent(MENU_KEY, None, pyatspi.KEY_SYM)
        GLib.timeout_add(300, lambda: pyatspi.Registry.generateKeyboardEvent(DOWN_KEY, None, pyatspi.KEY_SYM))
        return False

    pyatspi.Registry.registerEventListener(on_event, "object:state-changed:focused", "object:state-changed:selected")
    GLib.timeout_add(200, press_keys)
    GLib.timeout_add(int(max(deadline - time.monotonic(), 5) * 1000), give_up)
    pyatspi.Registry.start()
    if wanted_items <= announced:
        return 0
    report(wanted_items, announced)
    return 1


sys.exit(main())
