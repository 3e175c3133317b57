"""Private X servers for one test, and what a desktop user does with a window on them."""
import os
import select
import shutil
import subprocess
import time
from contextlib import contextmanager

import pytest
from PIL import Image
import Xlib.ext
from Xlib import X, XK, display as xdisplay
from Xlib.ext import xtest
from Xlib.protocol import event

# Only the extension the tests use: python-xlib's set-up of the others trips over the event
# numbers some servers give them (XFIXES on TigerVNC's Xvnc).
Xlib.ext.__extensions__ = [entry for entry in Xlib.ext.__extensions__ if entry[0] == "XTEST"]

START_TIMEOUT = 30  # seconds; a loaded 2-core machine renders in software


def until(condition, timeout=START_TIMEOUT, what="the condition"):
    """Polls a condition the window system or the program reports, within a bound."""
    deadline = time.monotonic() + timeout
    while (result := condition()) is None or result is False:
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.02)
    return result


@contextmanager
def server(command):
    """Starts `command` (an X server) on a display number it picks itself; skips where it cannot."""
    if shutil.which(command[0]) is None:
        pytest.skip(f"{command[0]} is not installed")
    ready, told = os.pipe()
    process = subprocess.Popen([command[0], "-displayfd", str(told), *command[1:], "-nolisten", "tcp"],
                               pass_fds=[told], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    os.close(told)
    try:
        if not select.select([ready], [], [], START_TIMEOUT)[0]:
            pytest.skip(f"{command[0]} did not start")
        number = os.read(ready, 16).decode().strip()
        if not number:
            pytest.skip(f"{command[0]} did not start: {process.stderr.read().decode()[-300:]}")
        yield f":{number}"
    finally:
        os.close(ready)
        process.terminate()
        process.wait(10)


def connect(display):
    return xdisplay.Display(display)


def find_window(connection, title):
    """The first viewable window called `title`, or None."""
    pending = [connection.screen().root]
    while pending:
        window = pending.pop()
        if window.get_wm_name() == title and window.get_attributes().map_state == X.IsViewable:
            return window
        pending.extend(window.query_tree().children)
    return None


def picture(window):
    """The window's contents as an RGB image, at whatever depth the display has."""
    geometry = window.get_geometry()
    raw = window.get_image(0, 0, geometry.width, geometry.height, X.ZPixmap, 0xFFFFFFFF).data
    mode = "BGR;16" if geometry.depth == 16 else "BGRX"
    return Image.frombytes("RGB", (geometry.width, geometry.height), raw, "raw", mode)


def request_close(connection, window):
    """What a desktop's close button sends: WM_DELETE_WINDOW, not a forced destroy."""
    protocols = connection.intern_atom("WM_PROTOCOLS")
    message = event.ClientMessage(window=window, client_type=protocols,
                                  data=(32, [connection.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
    window.send_event(message)
    connection.flush()


def tap_key(connection, window, name):
    """A key pressed and let go while the window has the keyboard focus."""
    window.set_input_focus(X.RevertToParent, X.CurrentTime)
    code = connection.keysym_to_keycode(XK.string_to_keysym(name))
    for kind in (X.KeyPress, X.KeyRelease):
        xtest.fake_input(connection, kind, code)
    connection.sync()
