#!/usr/bin/python3
"""Private X servers and what a user sees of a window on them: the one way the tests and the
scripts start a virtual display, find a program's window and take a picture of it.

As a command:
    virtual_display.py run COMMAND...   runs COMMAND with DISPLAY on a server of its own, which
                                        stays up (does not reset) until COMMAND ends
    virtual_display.py capture SECONDS OUT COMMAND...
                                        the same, and saves COMMAND's window after SECONDS: a PNG,
                                        or an animation of three seconds when OUT ends in .gif
    virtual_display.py serve            starts a server, prints its name, keeps it until ended
    virtual_display.py window TIMEOUT   waits for a window on $DISPLAY, prints "TITLE WxH"
"""
import os
import select
import signal
import subprocess
import sys
import tempfile
import time

import Xlib.ext
from PIL import Image
from Xlib import X, display as xdisplay
from Xlib.error import XError

# Only what is used: python-xlib trips over the event numbers TigerVNC gives XFIXES.
Xlib.ext.__extensions__ = [entry for entry in Xlib.ext.__extensions__ if entry[0] in ("XTEST", "Composite")]

SCREEN = "2048x1536x24"


def until(condition, what, bound=30.0):
    """Waits, at most `bound` seconds, for `condition()` to give something true, and returns it.
    Generous: a loaded 2-core machine renders in software."""
    deadline = time.monotonic() + bound
    while not (result := condition()):
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out after {bound:.0f} s waiting for {what}")
        time.sleep(0.02)
    return result


class Server:
    """An X server on a display number it picks itself (-displayfd). Like a user's, it resets
    whenever its last client leaves. Its log, which `-audit 4` fills with each client that
    connects, is kept in a file: a pipe nobody reads would stop it once full."""

    def __init__(self, command=("Xvfb", "-screen", "0", SCREEN), bound=30.0):
        self.log = tempfile.NamedTemporaryFile(prefix="xserver-", suffix=".log")
        ready, told = os.pipe()
        try:
            self.process = subprocess.Popen([command[0], "-displayfd", str(told), *command[1:], "-nolisten", "tcp"],
                                            pass_fds=[told], stdout=subprocess.DEVNULL, stderr=self.log)
        finally:
            os.close(told)
        # The number and its newline come in two writes; the server dies if the pipe closes between.
        number = b""
        while not number.endswith(b"\n") and select.select([ready], [], [], bound)[0] and (more := os.read(ready, 16)):
            number += more
        os.close(ready)
        self.name = f":{number.decode().strip()}" if number.strip() else None

    def output(self):
        with open(self.log.name, errors="replace") as log:
            return log.read()

    def stop(self, kill=False):
        self.process.kill() if kill else self.process.terminate()
        self.process.wait(10)


def connect(name, bound=5.0):
    """A client connection that ignores errors about windows gone in between: an ordinary event
    here. A server that has just lost its last client may still be resetting for a moment."""
    def attempt():
        try:
            return xdisplay.Display(name)
        except Exception:
            return None
    connection = until(attempt, f"a connection to {name}", bound)
    connection.set_error_handler(lambda *error: None)
    return connection


def viewable_windows(connection, window=None):
    """Every viewable window with a title, depth first: under a window manager, the program's own
    window is a child of its frame."""
    window = window or connection.screen().root
    try:
        children = window.query_tree().children
    except Exception:
        return
    for child in children:
        try:
            if child.get_attributes().map_state != X.IsViewable:
                continue
            if child.get_wm_name():
                yield child
        except Exception:
            continue
        yield from viewable_windows(connection, child)


def size(window):
    geometry = window.get_geometry()
    return geometry.width, geometry.height


def picture(window, from_pixmap=False):
    """What the window shows, as an RGB image, or None when it cannot be read just now. A compositor (Weston, for XWayland) keeps each
    window's contents in a pixmap of its own, whole wherever it has put the window; without one,
    the picture is read from the screen, which holds what is on screen only."""
    width, height = size(window)
    source = window.composite_name_window_pixmap() if from_pixmap else window
    try:
        data = source.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF)
    except XError:
        return None  # the window is moving, changing size or partly off screen just now
    finally:
        if from_pixmap:
            source.free()
    mode = "BGR;16" if window.get_geometry().depth == 16 else "BGRX"
    return Image.frombytes("RGB", (width, height), data.data, "raw", mode)


def _capture(server, seconds, output, command):
    program = subprocess.Popen(command, env={**os.environ, "DISPLAY": server.name},
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        connection = connect(server.name)
        window = until(lambda: next(viewable_windows(connection), None), "the program's window")
        window.configure(x=0, y=0)  # all of it on screen
        time.sleep(seconds)  # the picture is meant to show the program after this long
        if not output.endswith(".gif"):
            picture(window).save(output)
            return
        frames = []
        for _ in range(30):
            frames.append(picture(window))
            time.sleep(0.1)
        frames[0].save(output, save_all=True, append_images=frames[1:], duration=100, loop=0, optimize=True)
    finally:
        program.kill()
        program.wait()


def main(verb, *arguments):
    if verb == "window":
        connection = connect(os.environ["DISPLAY"])
        window = until(lambda: next(viewable_windows(connection), None), "a window", float(arguments[0]))
        print("{} {}x{}".format(window.get_wm_name(), *size(window)))
        return 0
    if verb not in ("run", "capture", "serve"):
        print(__doc__, file=sys.stderr)
        return 2
    signal.signal(signal.SIGTERM, lambda *ending: sys.exit(143))  # so that the server goes too
    server = Server()
    try:
        if verb == "serve":
            print(server.name, flush=True)
            return server.process.wait()
        holding = connect(server.name)  # a command that opens and closes displays needs no reset between
        if verb == "run":
            return subprocess.call(arguments, env={**os.environ, "DISPLAY": server.name})
        _capture(server, float(arguments[0]), arguments[1], arguments[2:])
        holding.close()
        print(f"saved {arguments[1]}")
        return 0
    finally:
        server.stop()


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
