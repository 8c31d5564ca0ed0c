"""A long listing as the user lives through it, for accessibility.py: the
progress window read through the accessibility bus while the listing runs,
Escape, the lists read back unchanged, and a window manager's close request
during a listing, which must stop it and end the program cleanly. The
network, 5,000 objects at 0.3 ms a client call, lists everything in some
ten seconds."""

import ctypes
import subprocess

NETWORK = "e2e-progress.json"
TITLE = "Listing"


def send_close_request(xid):
    """What a window manager sends for its close button or Alt+F4."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    # XClientMessageEvent: type, serial, send_event, display, window, message_type, format, data; 24 longs in all.
    event = (ctypes.c_long * 24)(33, 0, 0, 0, int(xid), x11.XInternAtom(display, b"WM_PROTOCOLS", 0), 32,
                                 x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0))
    x11.XSendEvent(display, int(xid), 0, 0, event)
    x11.XCloseDisplay(display)  # flushes


def progress_window(window):
    for app in window.at.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == window.process.pid:
            app.clearCache()
            return next((c for c in app if c is not None and c.name == TITLE and c.childCount > 0), None)
    return None


def lines(dialog):
    dialog.clearCache()
    return [c.name for c in dialog if c is not None and c.getRoleName() == "label"]


def measured(dialog):
    return next((int(line.split(": ")[1]) for line in lines(dialog) if line.startswith("Objects measured: ")), None)


def run(window, a):
    """The long listing, driven by keyboard; `a` is accessibility.py."""
    window.users = window.control(window.at.ROLE_LIST, "User")
    window.usage = window.control(window.at.ROLE_LIST, "Usage (K)")
    rows = lambda: (window.rows(window.users), window.rows(window.usage))

    # A short listing first, of CORP's own objects, by the first volume.
    window.activate()
    window.keys("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "Down")
    shown = a.find("the rows of a listing of CORP", lambda: rows() if rows()[0] else None)

    # Everything below CORP: Recurse, Alt+R.
    window.keys("Tab", "Tab", "Tab", "space", "alt+r")
    dialog = a.find("the progress window of a long listing", lambda: progress_window(window))
    first = a.find("the count of objects measured", lambda: measured(dialog))
    ok, later = a.poll(lambda: measured(dialog), lambda n: n is not None and n > first, 5)
    if not ok or not any(line.startswith(("Walking the containers", "Listing container")) for line in lines(dialog)):
        raise a.Failure(f"the progress window reads {lines(dialog)} after {first} objects, then {later}")

    # Escape in the progress window stops the listing; the lists stay.
    xid = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"],
                         capture_output=True, text=True).stdout.split()[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", xid], check=True)
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    a.wait_for("the progress window after Escape", lambda: progress_window(window), None, 5)
    a.wait_for("the rows after Escape", rows, shown, 5)

    # Again, and the window manager asks the main window to close.
    window.keys("alt+r")
    a.find("the progress window of the second long listing", lambda: progress_window(window))
    send_close_request(window.xid)
    try:
        status = window.process.wait(3)  # the listing would need several seconds more
    except subprocess.TimeoutExpired:
        raise a.Failure("the program did not end on the window manager's close request during a listing")
    if status != 0:
        raise a.Failure(f"exit status {status} after the close request, expected 0")
