# SPDX-License-Identifier: MIT
"""Finds korvel-tools through AT-SPI and checks the names and states a screen reader relies on."""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

EXPECTED_TOOLBAR = ["Add TC", "Delete TC", "Batch Add TC", "ale2fcp", "fcp2ale", "Log", "Help"]
DISABLED = {"Add TC", "Delete TC"}


def walk(node, depth=0):
    if node is None or depth > 30:
        return
    yield node
    for index in range(node.childCount):
        yield from walk(node.getChildAtIndex(index), depth + 1)


def find_app(names, seconds=60):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name in names:
                return app
        time.sleep(0.5)
    return None


def main():
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    with tempfile.TemporaryDirectory() as folder:
        prefs = os.path.join(folder, "prefs.ini")
        # A store that has seen a start already: no notice covers the window.
        with open(prefs, "w") as store:
            store.write("[General]\nTVSys=PAL\nkorvelVersion=9\n")
        process = subprocess.Popen([sys.argv[1], "--prefs", prefs], env=env)
        try:
            return check(find_app(("korvel-tools", "Korvel Tools")))
        finally:
            process.terminate()
            process.wait(timeout=10)


def check(app):
    if app is None:
        print("FAIL: korvel-tools not found on the accessibility bus")
        return 1
    nodes = list(walk(app))
    frames = [n for n in nodes if n.getRoleName() == "frame" and n.name == "Korvel Tools"]
    if not frames:
        print("FAIL: no main window named Korvel Tools")
        return 1
    failures = 0
    buttons = {n.name: n for n in nodes if n.getRoleName() in ("push button", "toggle button")}
    for label in EXPECTED_TOOLBAR:
        node = buttons.get(label)
        if node is None:
            print(f"FAIL: toolbar item {label!r} not found")
            failures += 1
            continue
        enabled = node.getState().contains(pyatspi.STATE_ENABLED)
        if enabled == (label in DISABLED):
            print(f"FAIL: toolbar item {label!r} enabled={enabled}")
            failures += 1
    texts = [n.name for n in nodes if n.getRoleName() == "label"]
    if "--:--:--:--" not in texts:
        print("FAIL: the timecode readout does not expose its text")
        failures += 1
    print("ok" if failures == 0 else f"{failures} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
