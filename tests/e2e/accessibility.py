#!/usr/bin/python3
"""The real program as an assistive technology sees it, driven by keyboard alone.

    accessibility.py <vorlane executable> <network file>

Run it under dbus-run-session and xvfb-run. It starts the accessibility bus on
that session bus, starts the program with Qt publishing its widget tree there,
and reads that tree through AT-SPI (python3-pyatspi) while xdotool presses the keys: the
names of the controls, the Tab order, the ticked state of Recurse, the picked
volume or server and the rows of both result lists. The expected rows belong
to tests/data/networks/e2e-a11y.json.

Exit status: 0 passed, 1 failed, 77 skipped (something this machine lacks, said
on a line starting with SKIP).
"""

import os
import shutil
import subprocess
import sys
import time

SKIP = 77


def skip(why):
    print(f"SKIP: {why}")
    sys.exit(SKIP)


class Failure(Exception):
    pass


def poll(read, done, seconds):
    """Reads until done(value) holds; returns (True, value), or (False, the
    last value read) when the time is up."""
    last = None
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            # The client library keeps what it read until an event says it
            # changed, and nothing here runs the loop that receives events.
            if Window.current is not None:
                Window.current.dialog.clearCache()
            last = read()
        except Exception as error:  # the tree is rebuilt under us while a listing runs
            last = error
        else:
            if done(last):
                return True, last
        time.sleep(0.1)
    return False, last


def wait_for(what, read, want, seconds=10.0):
    ok, last = poll(read, lambda value: value == want, seconds)
    if not ok:
        raise Failure(f"{what}: expected {want!r}, read {last!r}")


def find(what, read, seconds=20.0):
    ok, found = poll(read, bool, seconds)
    if not ok:
        raise Failure(f"{what} not found ({found!r})")
    return found


class Window:
    """The program's window: the keyboard through xdotool, the eyes through AT-SPI."""

    current = None

    def __init__(self, pyatspi, process):
        self.at = pyatspi
        self.process = process
        self.dialog = find("the program on the accessibility bus with a window named Disk Usage",
                           self._find_dialog)
        self.xid = find("an X window titled Disk Usage", self._find_xid)
        Window.current = self

    def _find_dialog(self):
        desktop = self.at.Registry.getDesktop(0)
        for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
            if app is None or app.get_process_id() != self.process.pid:
                continue
            for child in (app.getChildAtIndex(i) for i in range(app.childCount)):
                if child is not None and child.name == "Disk Usage":
                    return child
        return None

    def _find_xid(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Disk Usage$"],
                               capture_output=True, text=True).stdout.split()
        return found[0] if found else None

    def keys(self, *names):
        self.activate()
        subprocess.run(["xdotool", "key", "--delay", "80", *names], check=True)

    def activate(self):
        # There is no window manager to give the window the keyboard.
        subprocess.run(["xdotool", "windowfocus", "--sync", self.xid], check=True)

    def controls(self):
        return [self.dialog.getChildAtIndex(i) for i in range(self.dialog.childCount)]

    def control(self, role, name):
        for child in self.controls():
            if child.getRole() == role and self.title(child) == name:
                return child
        raise Failure(f"no {self.at.Atspi.Role(role).value_nick} named {name!r}; the window has "
                      f"{[(c.getRoleName(), c.name) for c in self.controls()]}")

    def focused(self):
        for child in self.controls():
            if child.getState().contains(self.at.STATE_FOCUSED):
                return self.title(child)
        return None

    def expect_focus(self, after, name):
        wait_for(f"focus after {after}", self.focused, name, 5)

    def title(self, control):
        """What a screen reader calls the control: its label, else its name."""
        labels = self.labels_of(control)
        return labels[0] if labels else control.name

    def labels_of(self, control):
        for relation in control.getRelationSet():
            if relation.getRelationType() == self.at.RELATION_LABELLED_BY:
                return [relation.getTarget(i).name for i in range(relation.getNTargets())]
        return []


    @staticmethod
    def rows(listbox):
        table = listbox.queryTable()
        return [table.getAccessibleAt(row, 0).name for row in range(table.nRows)]

    def selected_rows(self, listbox):
        return [row for row in range(listbox.childCount)
                if listbox.getChildAtIndex(row).getState().contains(self.at.STATE_SELECTED)]

    def expect_listing(self, after, users, usage):
        wait_for(f"rows after {after}", lambda: (self.rows(self.users), self.rows(self.usage)),
                 (users, usage))


def run(window):
    at = window.at
    # Qt names a field after its buddy label; once a drop-down list holds a
    # pick, its name becomes the picked text and the label stays reachable
    # through the labelled-by relation, which is how a screen reader finds it.
    context = window.control(at.ROLE_TEXT, "Context")
    recurse = window.control(at.ROLE_CHECK_BOX, "Recurse")
    volumes = window.control(at.ROLE_COMBO_BOX, "Volume")
    servers = window.control(at.ROLE_COMBO_BOX, "Or Server")
    window.users = window.control(at.ROLE_LIST, "User")
    window.usage = window.control(at.ROLE_LIST, "Usage (K)")
    for control, label in ((context, "Context"), (recurse, "Recurse"), (volumes, "Volume"),
                           (servers, "Or Server")):
        if window.labels_of(control) != [label]:
            raise Failure(f"{label}: labelled by {window.labels_of(control)}")
    if context.queryText().getText(0, -1) != "SALES.ACME":
        raise Failure(f"the context reads {context.queryText().getText(0, -1)!r}")

    # Tab visits every control that takes input, once, and comes back round;
    # the buttons are found by the names the focus reports.
    window.activate()
    window.expect_focus("start-up", "Context")
    for name in ("Close", "User", "Usage (K)", "Volume", "Or Server", "Recalc", "Recurse", "Context"):
        window.keys("Tab")
        window.expect_focus("Tab", name)

    # Down in the volume list picks its first entry and lists by it.
    window.keys("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab")
    window.expect_focus("Shift+Tab", "Volume")
    window.keys("Down")
    wait_for("the volume list's pick", lambda: volumes.name, "[FS1] : SYS", 5)
    window.expect_listing("picking [FS1] : SYS", ["JSMITH", "MÜLLER"], ["100", "40"])

    # Space ticks Recurse; Alt+R lists again, now with the container below.
    window.keys("Tab", "Tab", "Tab")
    window.expect_focus("Tab", "Recurse")
    window.keys("space")
    wait_for("Recurse ticked after Space", lambda: recurse.getState().contains(at.STATE_CHECKED), True, 5)
    window.keys("alt+r")
    window.expect_listing("Alt+R with Recurse", ["AKING.EAST", "JSMITH", "MÜLLER"], ["200", "100", "40"])

    # Down in the server list lists by the whole server.
    window.keys("shift+Tab", "shift+Tab")
    window.expect_focus("Shift+Tab", "Or Server")
    window.keys("Down")
    wait_for("the server list's pick", lambda: servers.name, "FS1", 5)
    window.expect_listing("picking FS1", ["AKING.EAST", "JSMITH", "MÜLLER"], ["200", "100", "60"])

    # A screen reader follows the selection in a result list.
    window.keys("shift+Tab", "shift+Tab")
    window.expect_focus("Shift+Tab", "Usage (K)")
    window.keys("Home", "Down")
    wait_for("usage rows selected after Home, Down", lambda: window.selected_rows(window.usage), [1], 5)

    # Alt+O closes the window and ends the program cleanly.
    window.keys("alt+o")
    try:
        status = window.process.wait(20)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end after Alt+O")
    if status != 0:
        raise Failure(f"exit status {status} after Alt+O, expected 0")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    if shutil.which("xdotool") is None:
        skip("xdotool is not installed")
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        skip("no session bus to start the accessibility bus on")

    try:
        import pyatspi
    except ImportError as error:
        skip(f"python3-pyatspi cannot be loaded ({error})")
    # Qt looks for the accessibility bus once, at start, so it must be up
    # before the program is; asking for the desktop starts it.
    try:
        pyatspi.Registry.getDesktop(0).childCount
    except Exception as error:
        skip(f"the accessibility bus does not start here ({error})")

    program, network = sys.argv[1:]
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", NWSIM_NETWORK=network)
    process = subprocess.Popen([program], env=env)
    try:
        run(Window(pyatspi, process))
    except Failure as failure:
        print(f"FAIL (accessibility): {failure}", file=sys.stderr)
        return 1
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    print("PASS (accessibility)")
    return 0

if __name__ == "__main__":
    sys.exit(main())
