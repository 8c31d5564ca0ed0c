#!/usr/bin/python3
"""The real program over a real site, read as a screen reader reads it.

    sites.py <vorlane> <fixture> <tests/data> <vorlane-scan>

Run under dbus-run-session and xvfb-run, as root. The fixture starts a slapd
and an sshd that stands for a file server; the program lists by server with
Recurse over this machine (FS1) and the server over SSH (FS2, whose volume's
path holds a space and a quote), and must show what du counts per owner,
with the accounts that have no uidNumber found by their names on the file
server. A scan of a third server that would take minutes is cancelled
within a second, and a server whose host key is unknown is refused at
start-up with a clear message.

Exit status: 0 passed, 1 failed, 77 skipped.
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import accessibility as a  # noqa: E402

PROGRESS = "Listing"  # the progress window's title


def rows_of(text):
    """'JSMITH:180,MJONES.EAST:540' as the lists show it: largest first, ties in the order found."""
    pairs = [(name, int(kb)) for name, kb in (item.split(":") for item in text.split(","))]
    pairs.sort(key=lambda pair: -pair[1])
    return [name for name, _ in pairs], [str(kb) for _, kb in pairs]


def progress_window(window):
    for app in window.at.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == window.process.pid:
            app.clearCache()
            return next((c for c in app if c is not None and c.name == PROGRESS and c.childCount > 0), None)
    return None


def start(program, env):
    return subprocess.Popen([program], env=env, stderr=subprocess.PIPE, text=True)


def listings(window, site):
    window.users = window.control(window.at.ROLE_LIST, "User")
    window.usage = window.control(window.at.ROLE_LIST, "Usage (K)")
    rows = lambda: (window.rows(window.users), window.rows(window.usage))
    window.activate()
    window.keys("shift+Tab", "space", "shift+Tab", "shift+Tab")  # Recurse ticked, then the server list
    window.expect_focus("Shift+Tab", "Or Server")
    window.keys("Down")
    window.expect_listing("listing FS1 by server", *rows_of(site["FS1"]))
    window.keys("Down")
    window.expect_listing("listing FS2 by server, over SSH", *rows_of(site["FS2"]))

    window.keys("Down")  # FS3: its scan would take minutes
    dialog = a.find("the progress window of the scan of FS3", lambda: progress_window(window))
    xid = a.find("the progress window on the screen", lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", f"^{PROGRESS}$"],
        capture_output=True, text=True).stdout.split())[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", xid], check=True)
    pressed = time.monotonic()
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    a.wait_for("the progress window after Escape", lambda: progress_window(window), None, 5)
    if time.monotonic() - pressed > 1.0:
        raise a.Failure(f"the remote scan took {time.monotonic() - pressed:.1f} s to stop after Escape")
    a.wait_for("the rows after the cancel", rows, rows_of(site["FS2"]), 2)
    del dialog

    window.keys("alt+o")
    if window.process.wait(20) != 0:
        raise a.Failure(f"exit status {window.process.returncode} after Alt+O")


def stranger(program, env):
    process = start(program, env)
    try:
        box = a.find("a message window titled Vorlane", lambda: process.poll() is not None or subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", "^Vorlane$"], capture_output=True, text=True).stdout)
        if process.poll() is not None:
            raise a.Failure(f"an unknown host key: the program ended ({process.returncode}) without a message: "
                            f"{process.stderr.read()!r}")
        subprocess.run(["xdotool", "windowfocus", "--sync", box.split()[0]], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        status = process.wait(20)
        said = process.stderr.read()
    finally:
        if process.poll() is None:
            process.kill()
    if status == 0 or "server FS4: " not in said or "host key" not in said:
        raise a.Failure(f"an unknown host key: exit status {status}, standard error {said!r}")


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    program, fixture, data, scanner = sys.argv[1:]
    import pyatspi
    pyatspi.Registry.getDesktop(0).childCount  # starts the accessibility bus before the program
    site_process = subprocess.Popen([fixture, data, scanner], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                    text=True)
    site = {}
    for line in site_process.stdout:
        line = line.strip()
        if line == "READY":
            break
        key, _, value = line.partition("=")
        site[key] = value
    if "SKIP" in site:
        print(f"SKIP: {site['SKIP']}")
        return 77
    if "SERVERS" not in site:
        print("FAIL: the site did not start", file=sys.stderr)
        return 1
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               VORLANE_LDAP_URI=site["LDAP_URI"], VORLANE_SERVERS=site["SERVERS"],
               VORLANE_SSH_CONFIG=site["SSH_CONFIG"], VORLANE_LDAP_CONTEXT="SALES.ACME")
    try:
        process = start(program, env)
        try:
            listings(a.Window(pyatspi, process), site)
        finally:
            if process.poll() is None:
                process.kill()
        stranger(program, dict(env, VORLANE_SERVERS=site["STRANGER"]))
    except a.Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    finally:
        site_process.stdin.close()
        site_process.wait(30)
    print("PASS (sites)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
