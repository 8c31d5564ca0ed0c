"""A long listing as the user lives through it, for accessibility.py: the
progress window read through the accessibility bus while the listing runs,
Escape, the lists read back unchanged, and a window manager's close request
during a listing, which must stop the listing and end the program cleanly.
The network is tests/data/networks/e2e-progress.json: 5,000 objects and
0.3 ms a client call, about ten seconds for a listing of everything."""

import ctypes
import re
import subprocess

PROGRESS_TITLE = "Listing"


def send_close_request(xid):
    """What a window manager sends when the user closes a window (its close
    button, Alt+F4): a WM_PROTOCOLS client message naming WM_DELETE_WINDOW."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]

    display = x11.XOpenDisplay(None)
    try:
        event = ClientMessage(type=33, window=int(xid), format=32)
        event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        if not x11.XSendEvent(display, int(xid), 0, 0, ctypes.byref(event)):
            raise RuntimeError("XSendEvent refused the close request")
        x11.XFlush(display)
    finally:
        x11.XCloseDisplay(display)


NETWORK = "e2e-progress.json"


def progress_window(window):
    """The progress window on the accessibility bus, or None."""
    desktop = window.at.Registry.getDesktop(0)
    for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
        if app is None or app.get_process_id() != window.process.pid:
            continue
        app.clearCache()
        for child in (app.getChildAtIndex(i) for i in range(app.childCount)):
            if child is not None and child.name == PROGRESS_TITLE and child.childCount > 0:
                return child
    return None


def figures(dialog):
    """The progress window's lines, each as its text."""
    dialog.clearCache()
    return [child.name for child in (dialog.getChildAtIndex(i) for i in range(dialog.childCount))
            if child is not None and child.getRoleName() == "label"]


def measured(dialog):
    for line in figures(dialog):
        if line.startswith("Objects measured: "):
            return int(line.split(": ")[1])
    return None


def run(window, a):
    """The long listing, driven by keyboard; `a` is accessibility.py."""
    at = window.at
    window.users = window.control(at.ROLE_LIST, "User")
    window.usage = window.control(at.ROLE_LIST, "Usage (K)")

    # A short listing first, of CORP's own objects: it shows no progress window.
    window.activate()
    window.expect_focus("start-up", "Context")
    window.keys("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab")
    window.expect_focus("Shift+Tab", "Volume")
    window.keys("Down")
    shown = a.find("the rows of a listing of CORP", lambda: (window.rows(window.users), window.rows(window.usage))
                   if window.rows(window.usage) else None)
    if progress_window(window) is not None:
        raise a.Failure("a short listing left a progress window")

    # Everything below CORP: some ten seconds at 0.3 ms a call.
    window.keys("Tab", "Tab", "Tab")
    window.expect_focus("Tab", "Recurse")
    window.keys("space", "alt+r")
    dialog = a.find("the progress window of a long listing", lambda: progress_window(window))
    first = a.find("the count of objects measured", lambda: measured(dialog))
    ok, later = a.poll(lambda: measured(dialog), lambda n: n is not None and n > first, 5)
    if not ok:
        raise a.Failure(f"the count of objects measured stays at {first} (then {later})")
    if not any(line.startswith(("Walking the containers", "Listing container")) for line in figures(dialog)):
        raise a.Failure(f"the progress window says {figures(dialog)}")

    # Escape in the progress window stops the listing; the lists stay.
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{PROGRESS_TITLE}$"],
                           capture_output=True, text=True).stdout.split()
    if not found:
        raise a.Failure("no X window for the progress window")
    subprocess.run(["xdotool", "windowfocus", "--sync", found[0]], check=True)
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    a.wait_for("the progress window after Escape", lambda: progress_window(window), None, 5)
    a.wait_for("the rows after Escape", lambda: (window.rows(window.users), window.rows(window.usage)), shown, 5)

    # Again, and the window manager asks the main window to close: the
    # listing stops and the program ends as it always does.
    window.keys("alt+r")
    a.find("the progress window of the second long listing", lambda: progress_window(window))
    send_close_request(window.xid)
    try:
        status = window.process.wait(10)
    except subprocess.TimeoutExpired:
        raise a.Failure("the program did not end on the window manager's close request during a listing")
    if status != 0:
        raise a.Failure(f"exit status {status} after the close request, expected 0")
