#!/usr/bin/python3
# The client as a screen reader meets it: started on a private session bus with an accessibility
# bus of its own, its tree is read through AT-SPI. Run inside `xvfb-run -a dbus-run-session --`.
# Usage: accessibility_tree.py CLIENT_BINARY [AT_SPI_BUS_LAUNCHER]
import os
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import Gio, GLib

LIMIT_SECONDS = 20


def fail(reason):
    print("FAIL: " + reason)
    sys.exit(1)


def wait_for(what, find):
    """Asks `find` again until it answers, for LIMIT_SECONDS at most."""
    end = time.monotonic() + LIMIT_SECONDS
    while time.monotonic() < end:
        try:
            found = find()
        except Exception:  # the tree changes while it is read
            found = None
        if found:
            return found
        time.sleep(0.1)
    fail("no %s within %d seconds" % (what, LIMIT_SECONDS))


def session_bus_has(name):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                          "org.freedesktop.DBus", "NameHasOwner", GLib.Variant("(s)", (name,)),
                          GLib.VariantType("(b)"), Gio.DBusCallFlags.NONE, 5000, None)
    return reply.unpack()[0]


def walk(node, depth=0):
    yield node, depth
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def client_app(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def top_level(app, role, name):
    for i in range(app.childCount):
        w = app.getChildAtIndex(i)
        if w is not None and w.getRole() == role and w.name == name:
            return w
    return None


def main():
    client = sys.argv[1]
    launcher = sys.argv[2] if len(sys.argv) > 2 else "/usr/libexec/at-spi-bus-launcher"
    bus = subprocess.Popen([launcher, "--launch-immediately"])
    home = tempfile.TemporaryDirectory()
    env = dict(os.environ)
    env.update({"HOME": home.name, "XDG_CONFIG_HOME": home.name + "/config",
                "XDG_RUNTIME_DIR": home.name, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                "QT_QPA_PLATFORM": "xcb", "LC_ALL": "C.UTF-8"})
    os.chmod(home.name, 0o700)
    # The client asks for the accessibility bus once, at its start: the bus and its registry
    # must be there by then.
    wait_for("accessibility bus", lambda: session_bus_has("org.a11y.Bus"))
    wait_for("accessibility registry", lambda: pyatspi.Registry.getDesktop(0) is not None)
    app = subprocess.Popen([client], env=env)
    try:
        found = wait_for("client on the accessibility bus", lambda: client_app(app.pid))
        # No settings file: the program says so in a box, an alert named by its caption.
        box = wait_for("box", lambda: top_level(found, pyatspi.ROLE_ALERT, "INI File Missing..."))
        texts = [n.name for n, _ in walk(box)]
        if not any("is missing..." in t for t in texts):
            fail("box without its text: %r" % texts)
        ok = wait_for("OK button", lambda: next(
            (n for n, _ in walk(box) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON), None))
        ok.queryAction().doAction(0)

        # The splash is a frame of the same name; the main window is the one with the log.
        def status_log():
            for i in range(found.childCount):
                w = found.getChildAtIndex(i)
                if w is None or w.getRole() != pyatspi.ROLE_FRAME or w.name != "ZAV Remote 2002":
                    continue
                for n, _ in walk(w):
                    if n.getRole() == pyatspi.ROLE_LIST and n.name == "Status log":
                        return n
            return None
        log = wait_for("status log in a frame named by the caption", status_log)
        lines = wait_for("log lines", lambda: [log.getChildAtIndex(i).name
                                               for i in range(log.childCount)] or None)
        expected = ["     INI file does not exist...", "     Goto settings and save!"]
        if not all(line in lines for line in expected):
            fail("log items %r lack %r" % (lines, expected))
        roles = [log.getChildAtIndex(i).getRole() for i in range(log.childCount)]
        if any(r != pyatspi.ROLE_LIST_ITEM for r in roles):
            fail("log items are not list items: %r" % roles)
        fillers = [w.name for w in (found.getChildAtIndex(i) for i in range(found.childCount))
                   if w is not None and w.getRole() == pyatspi.ROLE_FILLER]
        if fillers:
            fail("windows read as fillers: %r" % fillers)

        # The Options panel, opened from its button: a dialog whose page buttons tell which page
        # shows.
        main_window = log.parent
        while main_window.getRole() != pyatspi.ROLE_FRAME:
            main_window = main_window.parent
        options = next((n for n, _ in walk(main_window) if n.name == "Options"
                        and n.getRole() == pyatspi.ROLE_PUSH_BUTTON), None)
        if options is None:
            fail("no Options button")
        options.queryAction().doAction(0)
        panel = wait_for("Options dialog", lambda: top_level(
            found, pyatspi.ROLE_DIALOG, "ZAV Remote 2002 Options Panel"))
        pages = {n.name: n.getState().contains(pyatspi.STATE_CHECKED) for n, _ in walk(panel)
                 if n.name in ("Comms", "Window", "Startup", "Other")}
        if pages != {"Comms": True, "Window": False, "Startup": False, "Other": False}:
            fail("page buttons do not tell the shown page: %r" % pages)
        print("PASS: frame, alert, log list and Options dialog read through AT-SPI")
    finally:
        app.send_signal(signal.SIGTERM)
        try:
            app.wait(timeout=10)
        except subprocess.TimeoutExpired:
            app.kill()
        bus.terminate()
        bus.wait(timeout=10)


if __name__ == "__main__":
    main()
