"""What the end-to-end tests share: the table of the two programs, the places they run in, a run
of one with its window found, and how its picture, output and ending are judged.

A test names the places it holds in with @pytest.mark.places(...); it runs in each of them that --place
selects (all, when none is given), once for each program unless it takes a single one."""
import math
import os
import re
import struct
import subprocess
import sys
import time
from dataclasses import dataclass
from typing import Optional

import pytest
from PIL import ImageChops
from Xlib import X, XK
from Xlib.ext import xtest
from Xlib.protocol import event

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "lib"))
import virtual_display  # noqa: E402
from virtual_display import until  # noqa: E402,F401  (the tests' one way to wait)


@dataclass(frozen=True)
class Program:
    name: str
    title: str
    size: tuple
    picture: str  # "fountain": grey-white points on black around the centre; "squares": blue, and red over it
    prints_steps: bool  # the agent's step, one line a frame
    ending_key: Optional[str]  # beside a close request, which ends either


PROGRAMS = [Program("sparkfield", "Particles", (600, 400), "fountain", False, None),
            Program("boxpair", "Chase AI", (800, 600), "squares", True, "Escape")]
SPARKFIELD, BOXPAIR = PROGRAMS
PLACES = ("bare", "openbox", "weston", "wine", "package")


def pytest_addoption(parser):
    parser.addoption("--place", action="append", choices=PLACES, help="run only in these places")


def pytest_generate_tests(metafunc):
    if "place" in metafunc.fixturenames:
        declared = metafunc.definition.get_closest_marker("places")
        chosen = metafunc.config.getoption("place") or PLACES
        metafunc.parametrize("place", [p for p in (declared.args if declared else PLACES) if p in chosen],
                             indirect=True)
    named = {name for mark in metafunc.definition.iter_markers("parametrize") for name in mark.args[0].split(",")}
    if "program" in metafunc.fixturenames and "program" not in named:
        metafunc.parametrize("program", PROGRAMS, ids=[p.name for p in PROGRAMS])


def pytest_collection_modifyitems(config, items):
    """A test that holds in none of the chosen places is not one of this run's."""
    outside = [item for item in items if "place" in getattr(item, "fixturenames", ())
               and not isinstance(item.callspec.params.get("place"), str)]
    if outside:
        config.hook.pytest_deselected(items=outside)
        items[:] = [item for item in items if item not in outside]


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
        return [os.environ[f"{program.name.upper()}_BUILT"]]

    def environment(self):
        # A sanitized build wants its runtime loaded first; the counter only forwards calls.
        counter = os.environ.get("SWAP_COUNTER")
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


@pytest.fixture(scope="session", autouse=True)
def wine_prefix(tmp_path_factory, request):
    """Made before the first test, as making it takes longer than a program's start may."""
    if "wine" not in (request.config.getoption("place") or ()) or not os.environ.get("WINDOWS_PROGRAMS"):
        yield
        return
    prefix = tmp_path_factory.mktemp("wine-prefix")
    settings = {**os.environ, **WINE_SETTINGS, "WINEPREFIX": str(prefix), "DISPLAY": ""}
    subprocess.run(["wine", "wineboot", "--init"], env=settings, timeout=180, capture_output=True)
    subprocess.run(["wineserver", "--wait"], env=settings, timeout=60)
    os.environ["WINEPREFIX"] = str(prefix)
    yield
    # Ends this prefix's server and whatever still runs in it, and nothing else.
    subprocess.run(["wineserver", "--kill"], env=settings, timeout=30)


@pytest.fixture
def place(request, tmp_path):
    kind = {"bare": Place, "openbox": Openbox, "weston": Weston, "wine": Wine, "package": Package}[request.param]
    here = kind(tmp_path)
    yield here
    here.close()


class Run:
    """One run of a program in a place, with its window found; its output goes to files, which
    never fill up and block it as a pipe would. A frame counter is preloaded where it can be, so
    that what it printed can be held against what it showed."""

    def __init__(self, place, program, arguments=(), environment=None):
        self.place, self.program = place, program
        folder = place.tmp_path
        self.out, self.err, self.frame_file = (folder / f"{program.name}.{kind}" for kind in ("out", "err", "frames"))
        connected = place.let_go and place.clients_connected()
        with open(self.out, "wb") as out, open(self.err, "wb") as err:
            self.process = subprocess.Popen(
                place.command(program) + list(arguments), stdout=out, stderr=err,
                env={**os.environ, "DISPLAY": place.display, "FRAME_COUNT_FILE": str(self.frame_file),
                     **place.environment(), **(environment or {})})
        if place.let_go:  # the test looks only once the program has made both its connections
            until(lambda: place.clients_connected() >= connected + 2 or self.process.poll() is not None,
                  "the program's two connections")
            place.let_go = False
        try:
            self.window = until(lambda: place.find_window(program.title) or self.process.poll() is not None,
                                f'a window titled "{program.title}"')
        except TimeoutError:
            self.window = True
        assert self.window is not True, f'no window titled "{program.title}" appeared; the program {self.fate()}'
        if not place.managed and not place.from_pixmap:
            # With no window manager there to object, the window is moved where all of it is on
            # screen, for pictures of it, and is given the keyboard, as a user's click would.
            self.window.configure(x=0, y=0)
            self.window.set_input_focus(X.RevertToParent, X.CurrentTime)
            place.connection.sync()

    def stop(self):
        self.process.kill()
        self.process.wait()

    def fate(self):
        state = "is still running" if self.process.poll() is None else f"ended with status {self.process.returncode}"
        return f"{state}; its standard error:\n{self.errors()}"

    def output(self):
        return self.out.read_text().replace("\r", "")  # Windows ends lines with a carriage return

    def errors(self):
        return self.err.read_text(errors="replace")

    def lines(self):
        return self.output().splitlines()[:self.output().count("\n")]

    def wait_lines(self, count):
        return until(lambda: len(self.lines()) >= count or self.process.poll() is not None,
                     f"{count} lines") and len(self.lines()) >= count

    def wait_frames(self, count):
        return self.wait_lines(len(self.lines()) + count)

    def frames_shown(self):
        text = self.frame_file.read_text() if self.frame_file.exists() else ""
        return int(text[len("swaps="):]) if text.startswith("swaps=") else None

    def picture(self):
        return virtual_display.picture(self.window, self.place.from_pixmap)

    def size(self):
        return virtual_display.size(self.window)

    def resize(self, width, height):
        self.window.configure(x=0, y=0, width=width, height=height)
        self.place.connection.sync()
        until(lambda: self.size() == (width, height), f"the window to be {width}x{height}")

    def request_close(self):
        request_close(self.place.connection, self.window)

    def press(self, *keys):
        fake_keys(self.place.connection, keys, X.KeyPress)

    def release(self, *keys):
        fake_keys(self.place.connection, keys, X.KeyRelease)

    def tap(self, key):
        self.press(key)
        self.release(key)

    def wait_exit(self, status=0):
        self.process.wait(30)
        assert self.process.returncode == status, self.errors()

    def ended_cleanly(self):
        """Status 0, and its output as its table entry says; a program that prints a line a
        frame has printed whole, well-formed lines, one for each frame it showed and one for
        the frame that closed the window."""
        self.wait_exit(0)
        output = self.output()
        if isinstance(self.place, Wine):
            assert self.errors() == ""
        if not self.program.prints_steps:
            assert output == ""
            return
        assert output.endswith("\n"), "the last frame's line is cut short"
        assert all(STEP_LINE.match(line) for line in self.lines()), output
        if self.frames_shown() is not None:
            assert len(self.lines()) == self.frames_shown() + 1, "one line a frame"

    def untouched(self):
        """Every line so far is the one the untouched chase prints in that frame."""
        lines = self.lines()
        assert lines == untouched_chase(len(lines))[0]


@pytest.fixture
def start(place):
    """start(program, arguments, environment): a Run of the program in the test's place."""
    runs = []

    def run(program, arguments=(), environment=None):
        runs.append(Run(place, program, arguments, environment))
        return runs[-1]
    yield run
    for each in runs:
        each.stop()


@pytest.fixture
def run(start, program):
    return start(program)


# Two numbers as the output stream writes floats by default ("-1.19692", "2", "1.5e-05").
NUMBER = r"-?\d+(?:\.\d*[1-9])?(?:e[-+]\d+)?"
STEP_LINE = re.compile(f"^{NUMBER} {NUMBER}$")


def untouched_chase(count):
    """boxpair's lines, and where its agent stands after each, with no key touched: worked out
    here in binary32 steps, apart from the program's code."""
    f32 = lambda value: struct.unpack("f", struct.pack("f", value))[0]  # noqa: E731
    player, agent, lines, positions = (120.0, 60.0), (340.0, 200.0), [], []
    for _ in range(count):
        theta = f32(math.atan2(f32(agent[1] - player[1]), f32(agent[0] - player[0])))
        phi = f32(f32(theta * 180) / (4 * math.atan(1)))
        step = (f32(2 * f32(math.cos(phi))), f32(2 * f32(math.sin(phi))))
        lines.append("%g %g" % step)
        agent = (f32(agent[0] + step[0]), f32(agent[1] + step[1]))
        agent = agent if 0 <= agent[0] <= 800 and 0 <= agent[1] <= 600 else (400.0, 300.0)
        positions.append(agent)
    return lines, positions


def mask(channel, test):
    return channel.point(lambda value: 255 if test(value) else 0)


def fountain_around(image, x, y, opaque_at_least=0):
    """Grey-white points on black, at least 150, the opaque ones (born within the last second,
    so at most about 105 pixels from their birth; a few young ones overlapping can add up to
    full white too, hence the wider bound) within 160 pixels of (x, y)."""
    if image is None:
        return False
    red, green, blue = image.split()
    lit = ImageChops.lighter(ImageChops.lighter(red, green), blue)
    if mask(lit, bool).histogram()[255] < 150 or ImageChops.difference(red, green).getbbox() or \
            ImageChops.difference(green, blue).getbbox():
        return False
    box = mask(red, lambda value: value == 255).getbbox()
    if box is None:
        return opaque_at_least == 0
    opaque = [(box[0] + i % (box[2] - box[0]), box[1] + i // (box[2] - box[0]))
              for i, value in enumerate(red.crop(box).getdata()) if value == 255]
    return len(opaque) >= opaque_at_least and all(math.hypot(px - x, py - y) <= 160 for px, py in opaque)


def colour_mask(image, colour):
    """White where the image has exactly this colour, black elsewhere."""
    hits = [mask(channel, lambda value, wanted=wanted: value == wanted) for channel, wanted in zip(image.split(), colour)]
    return ImageChops.multiply(ImageChops.multiply(hits[0], hits[1]), hits[2])


def square(image, colour):
    """The bounds (left, top, width, height) of the pixels of exactly this colour, or None."""
    if image is None:
        return None
    box = colour_mask(image, colour).getbbox()
    return box and (box[0], box[1], box[2] - box[0], box[3] - box[1])


def pixels_of(image, colour):
    """How many pixels have exactly this colour."""
    return colour_mask(image, colour).histogram()[255]


RED, BLUE = (255, 0, 0), (0, 0, 255)


def fountain_settles_around(run, x, y, bound=20.0):
    """The fountain stays around (x, y) in every picture for a second and a half. Right after a
    change, points born before it can still look right for a moment; a second and a half of
    births shows where they now start. The first births all age together, so for a moment there
    may be no opaque point at all once it has settled."""
    since = None

    def settled():
        nonlocal since
        if not fountain_around(run.picture(), x, y, 0 if since else 10):
            since = None
        elif since is None:
            since = time.monotonic()
        return since is not None and time.monotonic() - since >= 1.5
    until(settled, f"the fountain to settle around ({x}, {y})", bound)


def shows_its_picture(run):
    """The program's picture, as its table entry describes it, for the window's present size."""
    if run.program.picture == "fountain":
        width, height = run.size()
        fountain_settles_around(run, width / 2, height / 2)
        return
    # The window keeps its old frame, unstretched, until the program draws again, so a picture
    # is judged once the program has shown a few frames since (it prints a line each).
    assert run.wait_frames(3), f"stopped drawing; it {run.fate()}"
    until(lambda: (box := square(run.picture(), RED)) and box[2:] == (50, 50), "a red 50-pixel square")
