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
