# SPDX-License-Identifier: MIT
"""Finds korvel-tools through AT-SPI and checks the names and states a screen reader relies on."""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

# Each toolbar item, and whether it is enabled with no movie loaded.
TOOLBAR = {"Add TC": False, "Delete TC": False, "Batch Add TC": True, "ale2fcp": True,
           "fcp2ale": True, "Log": True, "Help": True}


def walk(node, depth=0):
    if node is not None and depth <= 30:
        yield node
        for index in range(node.childCount):
            yield from walk(node.getChildAtIndex(index), depth + 1)


def find_app(start, names, seconds=60):
    """Starts the app and waits for it on the bus; returns it (or None) and the running process."""
    process = start()
    restarts = 2
    deadline = time.time() + seconds
    while time.time() < deadline:
        if process.poll() is not None and restarts > 0:
            # The virtual display can still be coming up when the app first connects to it.
            print(f"korvel-tools exited with {process.returncode} before it was found; starting it again")
            restarts -= 1
            time.sleep(1)
            process = start()
        desktop = pyatspi.Registry.getDesktop(0)
        for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
            if app is not None and app.name in names:
                return app, process
        time.sleep(0.5)
    return None, process


def failures(app):
    if app is None:
        return ["korvel-tools not found on the accessibility bus"]
    nodes = list(walk(app))
    found = []
    if not any(n.getRoleName() == "frame" and n.name == "Korvel Tools" for n in nodes):
        found.append("no main window named Korvel Tools")
    buttons = {n.name: n for n in nodes if n.getRoleName() in ("push button", "toggle button")}
    for label, enabled in TOOLBAR.items():
        node = buttons.get(label)
        if node is None or node.getState().contains(pyatspi.STATE_ENABLED) != enabled:
            found.append(f"toolbar item {label!r} missing or not enabled={enabled}")
    if "--:--:--:--" not in [n.name for n in nodes if n.getRoleName() == "label"]:
        found.append("the timecode readout does not expose its text")
    return found


def main():
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    with tempfile.TemporaryDirectory() as folder:
        prefs = os.path.join(folder, "prefs.ini")
        # A store that has seen a start already: no notice covers the window.
        with open(prefs, "w") as store:
            store.write("[General]\nTVSys=PAL\nkorvelVersion=9\n")
        # Start the registry first: an app that comes up while the registry is still being
        # started may never be listed on the bus.
        pyatspi.Registry.getDesktop(0)
        app, process = find_app(lambda: subprocess.Popen([sys.argv[1], "--prefs", prefs], env=env),
                                ("korvel-tools", "Korvel Tools"))
        try:
            found = failures(app)
        finally:
            process.terminate()
            process.wait(timeout=10)
    for failure in found:
        print("FAIL:", failure)
    print("ok" if not found else f"{len(found)} failure(s)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
