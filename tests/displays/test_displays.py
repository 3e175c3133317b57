"""Both programs on the displays people run them on: where an OpenGL window is possible they
work as anywhere, and where it is not they say so in one line and end with status 1."""
import math
import os
import signal
import struct
import subprocess
from dataclasses import dataclass

import pytest
from xserver import START_TIMEOUT, connect, find_window, picture, request_close, server, tap_key, until

PROGRAMS = {  # name: (title, size, how a user may end it)
    "sparkfield": ("Particles", (600, 400), ["close"]),
    "boxpair": ("Chase AI", (800, 600), ["close", "Escape"]),
}
# Screens wide and tall enough for any window wherever it is placed, as pictures of a window are
# taken of the part on screen.
SCREEN = "2048x2048"
XVFB = ["Xvfb", "-screen", "0", f"{SCREEN}x24"]
NO_OPENGL_DEPTH = "the display offers no colour depth an OpenGL window can use ({} bits)"


@dataclass
class Place:
    server: list
    refusal: str = ""  # the cause the programs must give; none where they must work
    environment: tuple = ()


DISPLAYS = {
    "xvfb-without-glx": Place(XVFB + ["-extension", "GLX"], "the display has no OpenGL (GLX) support"),
    "xvfb-depth-8": Place(["Xvfb", "-screen", "0", f"{SCREEN}x8"], NO_OPENGL_DEPTH.format(8)),
    "xvfb-depth-15": Place(["Xvfb", "-screen", "0", f"{SCREEN}x15"], NO_OPENGL_DEPTH.format(15)),
    "refused-context": Place(XVFB, "the display refused an OpenGL context (indirect rendering is off on this "
                                   "X server; is this a remote display?)", (("LIBGL_ALWAYS_INDIRECT", "1"),)),
    "xvfb-depth-16": Place(["Xvfb", "-screen", "0", f"{SCREEN}x16"]),
    "vnc-depth-16": Place(["Xvnc", "-depth", "16", "-geometry", SCREEN, "-SecurityTypes", "None",
                           "-rfbport", "-1"]),
}


def path_of(name):
    return os.environ.get(f"{name.upper()}_UNDER_TEST") or os.environ[f"{name.upper()}_BUILT"]


def start(name, display, stdout=subprocess.PIPE, environment=()):
    return subprocess.Popen([path_of(name)], stdout=stdout, stderr=subprocess.PIPE, text=True,
                            env={**os.environ, "DISPLAY": display, **dict(environment)})


def untouched_chase(count):
    """boxpair's lines with no key held, worked out here in binary32 steps, apart from its code."""
    f32 = lambda value: struct.unpack("f", struct.pack("f", value))[0]
    player, agent, lines = (120.0, 60.0), [340.0, 200.0], []
    for _ in range(count):
        theta = f32(math.atan2(f32(agent[1] - player[1]), f32(agent[0] - player[0])))
        phi = f32(f32(theta * 180) / (4 * math.atan(1)))
        step = (f32(2 * f32(math.cos(phi))), f32(2 * f32(math.sin(phi))))
        lines.append("%g %g" % step)
        agent = [f32(agent[0] + step[0]), f32(agent[1] + step[1])]
        if not 0 <= agent[0] <= 800 or not 0 <= agent[1] <= 600:
            agent = [400.0, 300.0]
    return lines


def test_the_untouched_chase_starts_as_boxpair_is_known_to():
    assert untouched_chase(3) == ["0.985995 1.74006", "0.611402 1.90426", "0.0690283 1.99881"]


def shows_its_picture(name, image):
    colours = image.getcolors(1 << 20)
    if name == "boxpair":
        return {(0, 0, 255), (255, 0, 0)} <= {colour for _, colour in colours}
    lit = [(x, y) for y in range(image.height) for x in range(image.width) if sum(image.getpixel((x, y))) > 60]
    return len(lit) > 50 and abs(sum(x for x, _ in lit) / len(lit) - 300) < 40 and \
        abs(sum(y for _, y in lit) / len(lit) - 200) < 60


CASES = [(place, name, ending) for place, where in DISPLAYS.items() for name, (_, _, endings) in PROGRAMS.items()
         for ending in (endings if not where.refusal else ["none"])]


@pytest.mark.parametrize("place,name,ending", CASES)
def test_a_program_on_a_display(place, name, ending):
    where = DISPLAYS[place]
    title, size, _ = PROGRAMS[name]
    with server(where.server) as display:
        program = start(name, display, environment=where.environment)
        if where.refusal:
            out, err = program.communicate(timeout=START_TIMEOUT)
            assert (program.returncode, out, err) == (1, "", f"{name}: cannot open a window: {where.refusal}\n")
            return
        connection = connect(display)
        window = until(lambda: find_window(connection, title), what=f"the {title} window")
        geometry = window.get_geometry()
        assert (geometry.width, geometry.height) == size
        until(lambda: shows_its_picture(name, picture(window)), what=f"{name}'s picture")
        if ending == "close":
            request_close(connection, window)
        else:
            tap_key(connection, window, ending)
        out, err = program.communicate(timeout=START_TIMEOUT)
        assert program.returncode == 0, err
        lines = out.splitlines()
        assert lines == (untouched_chase(len(lines)) if name == "boxpair" else [])


def wait_for_line(program):
    line = program.stdout.readline()
    assert line, program.stderr.read()


OUTPUTS = {  # how boxpair's standard output is set up: what it must say, if anything
    "full-device": (lambda: open("/dev/full", "w"), "No space left on device"),
    "closed": (lambda: None, "Bad file descriptor"),
}


@pytest.mark.parametrize("output", OUTPUTS)
def test_boxpair_says_its_lines_are_lost_and_fails(output):
    opened, reason = OUTPUTS[output]
    target = opened()
    with server(XVFB) as display:
        program = subprocess.Popen([path_of("boxpair")], stdout=target, stderr=subprocess.PIPE, text=True,
                                   env={**os.environ, "DISPLAY": display}, close_fds=True,
                                   preexec_fn=(lambda: os.close(1)) if target is None else None)
        _, err = program.communicate(timeout=START_TIMEOUT)
    assert program.returncode == 1
    assert err.splitlines()[-1:] == [f"boxpair: cannot write to standard output: {reason}"]
    assert err.count("cannot write") == 1


def test_boxpair_ends_as_usual_when_its_reader_goes_away():
    with server(XVFB) as display:
        program = start("boxpair", display)
        for _ in range(3):
            wait_for_line(program)
        program.stdout.close()
        assert program.wait(START_TIMEOUT) == -signal.SIGPIPE
