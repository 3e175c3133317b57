"""Both programs on displays people have: they work where an OpenGL window is possible, else say why in one line."""
import math, os, select, shutil, signal, struct, subprocess, time

import pytest
import Xlib.ext
from PIL import Image
from Xlib import X, XK, display as xdisplay
from Xlib.ext import xtest
from Xlib.protocol import event

# python-xlib trips over the event numbers TigerVNC gives XFIXES; only XTEST is needed.
Xlib.ext.__extensions__ = [entry for entry in Xlib.ext.__extensions__ if entry[0] == "XTEST"]
BOUND = 30  # seconds for anything to happen: a loaded 2-core machine renders in software
PROGRAMS = {"sparkfield": ("Particles", (600, 400), ["close"]), "boxpair": ("Chase AI", (800, 600), ["close", "Escape"])}
SCREEN = "1024x768"
XVFB = ["Xvfb", "-screen", "0", f"{SCREEN}x24"]
DEPTH = "the display offers no colour depth an OpenGL window can use ({} bits)"
DISPLAYS = {  # server, the refusal both programs must give (none: they work), environment
    "no-glx": (XVFB + ["-extension", "GLX"], "the display has no OpenGL (GLX) support", {}),
    "depth-8": (["Xvfb", "-screen", "0", f"{SCREEN}x8"], DEPTH.format(8), {}),
    "depth-15": (["Xvfb", "-screen", "0", f"{SCREEN}x15"], DEPTH.format(15), {}),
    "refused-context": (XVFB, "the display refused an OpenGL context (indirect rendering is off on this X server; "
                              "is this a remote display?)", {"LIBGL_ALWAYS_INDIRECT": "1"}),
    "depth-16": (["Xvfb", "-screen", "0", f"{SCREEN}x16"], None, {}),
    "vnc-depth-16": (["Xvnc", "-depth", "16", "-geometry", SCREEN, "-SecurityTypes", "None", "-rfbport", "-1"], None, {}),
}


def until(condition, what):
    deadline = time.monotonic() + BOUND
    while not (result := condition()):
        assert time.monotonic() < deadline, f"timed out waiting for {what}"
        time.sleep(0.02)
    return result


def reported_display(ready):
    """What the server writes once it serves, read up to its newline: it dies if the pipe closes sooner."""
    told = b""
    while not told.endswith(b"\n") and select.select([ready], [], [], BOUND)[0] and (more := os.read(ready, 16)):
        told += more
    return told.decode().strip()


@pytest.fixture
def start():
    """start(server, name, **popen) runs a program on its own X server; skips where the server cannot start."""
    running = []
    def run(server, name, environment={}, **popen):
        if shutil.which(server[0]) is None:
            pytest.skip(f"{server[0]} is not installed")
        ready, told = os.pipe()
        running.append(subprocess.Popen([server[0], "-displayfd", str(told), *server[1:], "-nolisten", "tcp"],
                                        pass_fds=[told], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        os.close(told)
        number = reported_display(ready)
        os.close(ready)
        if not number:
            pytest.skip(f"{server[0]} did not start")
        path = os.environ.get(f"{name.upper()}_UNDER_TEST") or os.environ[f"{name.upper()}_BUILT"]
        program = subprocess.Popen([path], stderr=subprocess.PIPE, text=True, **{"stdout": subprocess.PIPE, **popen},
                                   env={**os.environ, "DISPLAY": f":{number}", **environment})
        running.insert(0, program)
        return program, f":{number}"
    yield run
    for process in running:
        process.kill()
        process.wait()


def find_window(connection, title):
    return next((window for window in connection.screen().root.query_tree().children
                 if window.get_wm_name() == title and window.get_attributes().map_state == X.IsViewable), None)


def shows_its_picture(name, window):
    size = (window.get_geometry().width, window.get_geometry().height)
    image = Image.frombytes("RGB", size, window.get_image(0, 0, *size, X.ZPixmap, 0xFFFFFFFF).data, "raw",
                            "BGR;16" if window.get_geometry().depth == 16 else "BGRX")
    if name == "boxpair":
        return {(0, 0, 255), (255, 0, 0)} <= {colour for _, colour in image.getcolors(1 << 20)}
    lit = image.convert("L").point(lambda value: 255 if value > 20 else 0).getbbox()  # the fountain, at the centre
    return lit is not None and abs((lit[0] + lit[2]) / 2 - 300) < 40 and abs((lit[1] + lit[3]) / 2 - 200) < 60


def untouched_chase(count):
    """boxpair's lines with no key held, worked out here in binary32 steps, apart from its code."""
    f32 = lambda value: struct.unpack("f", struct.pack("f", value))[0]
    player, agent, lines = (120.0, 60.0), (340.0, 200.0), []
    for _ in range(count):
        theta = f32(math.atan2(f32(agent[1] - player[1]), f32(agent[0] - player[0])))
        phi = f32(f32(theta * 180) / (4 * math.atan(1)))
        step = (f32(2 * f32(math.cos(phi))), f32(2 * f32(math.sin(phi))))
        lines.append("%g %g" % step)
        agent = (f32(agent[0] + step[0]), f32(agent[1] + step[1]))
        agent = agent if 0 <= agent[0] <= 800 and 0 <= agent[1] <= 600 else (400.0, 300.0)
    return lines


@pytest.mark.parametrize("place,name,ending", [(place, name, ending) for place, (_, refusal, _) in DISPLAYS.items()
                                               for name, (_, _, endings) in PROGRAMS.items()
                                               for ending in (endings if refusal is None else ["-"])])
def test_a_program_on_a_display(start, place, name, ending):
    server, refusal, environment = DISPLAYS[place]
    title, size, _ = PROGRAMS[name]
    program, display = start(server, name, environment)
    if refusal is not None:
        out, err = program.communicate(timeout=BOUND)
        assert (program.returncode, out, err) == (1, "", f"{name}: cannot open a window: {refusal}\n")
        return
    connection = xdisplay.Display(display)
    window = until(lambda: find_window(connection, title), f"the {title} window")
    window.configure(x=0, y=0)  # pictures are of what is on screen, wherever the window was placed
    assert (window.get_geometry().width, window.get_geometry().height) == size
    until(lambda: shows_its_picture(name, window), f"{name}'s picture")
    if ending == "close":
        window.send_event(event.ClientMessage(window=window, client_type=connection.intern_atom("WM_PROTOCOLS"), data=(
            32, [connection.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))
    else:
        window.set_input_focus(X.RevertToParent, X.CurrentTime)
        for kind in (X.KeyPress, X.KeyRelease):
            xtest.fake_input(connection, kind, connection.keysym_to_keycode(XK.string_to_keysym(ending)))
    connection.flush()
    out, err = program.communicate(timeout=BOUND)
    assert program.returncode == 0, err
    assert out.splitlines() == (untouched_chase(len(out.splitlines())) if name == "boxpair" else [])


@pytest.mark.parametrize("output,reason", [("/dev/full", "No space left on device"), ("closed", "Bad file descriptor"),
                                           ("a pipe whose reader goes", None)])
def test_boxpair_when_its_lines_cannot_be_written(start, output, reason):
    program, _ = start(XVFB, "boxpair", stdout=open(output, "w") if output == "/dev/full" else subprocess.PIPE,
                       preexec_fn=(lambda: os.close(1)) if output == "closed" else None)
    if reason is None:  # as for any program in a pipe, the broken-pipe signal ends it
        assert all(program.stdout.readline() for _ in range(3))
        program.stdout.close()
        assert program.wait(BOUND) == -signal.SIGPIPE
        return
    _, err = program.communicate(timeout=BOUND)
    assert program.returncode == 1
    assert [line for line in err.splitlines() if "write" in line] == [f"boxpair: cannot write to standard output: {reason}"]
