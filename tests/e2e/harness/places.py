"""Where a program runs, as a user's would: a private X server on its own or with a desktop's
components, or programs other than those just built; and what a desktop sends a window."""
import os
import re
import subprocess

import pytest
from Xlib import X, XK
from Xlib.ext import xtest
from Xlib.protocol import event

import virtual_display
from harness import until
from harness.programs import built, frame_counter

NAMES = ("bare", "openbox", "weston", "wine", "package")


class Place:
    """A private X server, on its own or with a desktop's components, and the test's connection
    to it; programs run there as a user's would."""
    managed = False  # a window manager frames the windows and decides about them
    from_pixmap = False  # pictures come from the window's own pixmap (a compositor)

    def __init__(self, tmp_path, server=("Xvfb", "-screen", "0", virtual_display.SCREEN, "-audit", "4")):
        self.tmp_path, self.stops, self.client, self.let_go = tmp_path, [], None, False
        try:
            self.start(server)
        except BaseException:  # a skip too: what did start is stopped
            self.close()
            raise

    @property
    def connection(self):
        """The test's own, made again when needed after `disconnect`."""
        self.client = self.client or virtual_display.connect(self.display)
        return self.client

    def disconnect(self):
        """So that a program started next may be the server's only client for a while."""
        if self.client:
            self.client.close()
        self.client, self.let_go = None, True

    def clients_connected(self):
        return self.server.output().count(" connected from ")

    def start(self, server):
        try:
            self.server = virtual_display.Server(server)
        except FileNotFoundError:
            pytest.skip(f"{server[0]} is not installed")
        self.stops.append(self.server.stop)
        if self.server.name is None:
            pytest.skip(f"{server[0]} did not start: {self.server.output()}")
        self.display = self.server.name

    def command(self, program):
        return [built(program)]

    def environment(self):
        # A sanitized build wants its runtime loaded first; the counter only forwards calls.
        counter = frame_counter()
        return {"LD_PRELOAD": counter, "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") +
                ":verify_asan_link_order=0"} if counter else {}

    def close(self):
        self.disconnect()
        for stop in reversed(self.stops):
            stop()

    def window_list(self):
        root = self.connection.screen().root
        listed = root.get_full_property(self.connection.intern_atom("_NET_CLIENT_LIST"), X.AnyPropertyType)
        return listed.value if listed else []

    def find_window(self, title):
        return next((window for window in virtual_display.viewable_windows(self.connection)
                     if window.get_wm_name() == title and (not self.managed or window.id in self.window_list())), None)

    def other_window(self, title):
        """A plain window of another program, mapped."""
        window = self.connection.screen().root.create_window(0, 0, 300, 200, 0, X.CopyFromParent)
        window.set_wm_name(title)
        window.map()
        self.connection.sync()
        return window


def send(connection, window, kind, data, to_window_manager=False):
    """A client message to the window, or about it to the window manager, as panels send them."""
    message = event.ClientMessage(window=window, client_type=connection.intern_atom(kind),
                                  data=(32, (list(data) + [0] * 5)[:5]))
    if to_window_manager:
        connection.screen().root.send_event(message, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
    else:
        window.send_event(message)
    connection.sync()


def request_close(connection, window):
    """What a desktop's close button sends (WM_DELETE_WINDOW), not a forced destroy."""
    send(connection, window, "WM_PROTOCOLS", [connection.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime])


def fake_keys(connection, names, kind):
    """Keys going down or up together, in one batch, so that a frame is unlikely to see only some."""
    for name in names:
        xtest.fake_input(connection, kind, connection.keysym_to_keycode(XK.string_to_keysym(name)))
    connection.sync()


class Openbox(Place):
    managed = True

    def start(self, server):
        super().start(server)
        manager = subprocess.Popen(["openbox", "--sm-disable"], env={**os.environ, "DISPLAY": self.display},
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.stops.append(lambda: (manager.terminate(), manager.wait(10)))
        # Openbox announces itself early, before it has read its theme and fonts; it is ready
        # once it has taken over a window of ours, and let it go again.
        probe = self.other_window("openbox probe")
        until(lambda: probe.id in self.window_list(), "openbox to take over a window", 60)
        probe.destroy()
        self.connection.sync()
        until(lambda: probe.id not in self.window_list(), "openbox to let the window go")


class Weston(Place):
    """Weston's headless compositor with XWayland, as most current Linux desktops run X programs.
    Weston picks the X display itself and says which in its log."""
    from_pixmap = True

    def start(self, server):
        runtime = self.tmp_path / "weston"
        runtime.mkdir(mode=0o700)
        log = runtime / "weston.log"
        try:
            compositor = subprocess.Popen(
                ["weston", "--backend=headless-backend.so", "--xwayland", "--width=1280", "--height=1024",
                 "--idle-time=0", "--socket=wayland-test", f"--log={log}"], stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL, env={**os.environ, "XDG_RUNTIME_DIR": str(runtime), "WAYLAND_DISPLAY": "",
                                                "DISPLAY": ""})
        except OSError as error:
            pytest.skip(f"weston cannot run: {error}")
        self.stops.append(lambda: (compositor.terminate(), compositor.wait(10)))
        told = re.compile(r"xserver listening on display (\S+)")
        found = until(lambda: told.search(log.read_text() if log.exists() else "") or compositor.poll() is not None,
                      "weston to start XWayland")
        if found is True:
            pytest.skip(f"weston with XWayland did not start: {log.read_text() if log.exists() else ''}")
        self.display = found.group(1)


class Elsewhere(Place):
    """Programs other than those just built, from the folder that an environment variable names."""
    variable = ""

    def start(self, server):
        self.folder = os.environ.get(self.variable)
        if not self.folder:
            pytest.skip(f"{self.variable} names no folder of programs ({self.__doc__.strip()})")
        super().start(server)

    def command(self, program):
        return [os.path.join(self.folder, program.name)]


class Package(Elsewhere):
    """as the Debian package installs them: tests/package/check-package.sh sets it"""
    variable = "PACKAGED_PROGRAMS"


class Wine(Elsewhere):
    """the Windows build, run under Wine in one prefix for the whole run: scripts/windows-test.sh sets it"""
    variable = "WINDOWS_PROGRAMS"

    def command(self, program):
        return ["wine", os.path.join(self.folder, f"{program.name}.exe")]

    def environment(self):
        # The frame counter is a Linux library: the Windows programs are counted by their lines.
        return {**WINE_SETTINGS, "WINEPREFIX": os.environ["WINEPREFIX"], "LD_PRELOAD": ""}


# Wine's own messages off unless asked for, and its offers to install .NET and a web engine,
# which no program here uses.
WINE_SETTINGS = {"WINEDEBUG": os.environ.get("WINEDEBUG", "-all"), "WINEDLLOVERRIDES": "mscoree,mshtml="}


KINDS = {"bare": Place, "openbox": Openbox, "weston": Weston, "wine": Wine, "package": Package}
