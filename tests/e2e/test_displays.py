"""Both programs on displays people have: they work where an OpenGL window is possible, else say why in one line."""
import os
import signal
import subprocess

import pytest
from Xlib import X

import virtual_display
from conftest import BLUE, BOXPAIR, PROGRAMS, RED, fake_keys, request_close, untouched_chase, until

SCREEN = "1024x768"
XVFB = ("Xvfb", "-screen", "0", f"{SCREEN}x24")
DEPTH = "the display offers no colour depth an OpenGL window can use ({} bits)"
DISPLAYS = {  # server, the refusal both programs must give (none: they work), environment
    "no-glx": (XVFB + ("-extension", "GLX"), "the display has no OpenGL (GLX) support", {}),
    "depth-8": (("Xvfb", "-screen", "0", f"{SCREEN}x8"), DEPTH.format(8), {}),
    "depth-15": (("Xvfb", "-screen", "0", f"{SCREEN}x15"), DEPTH.format(15), {}),
    "refused-context": (XVFB, "the display refused an OpenGL context (indirect rendering is off on this X server; "
                              "is this a remote display?)", {"LIBGL_ALWAYS_INDIRECT": "1"}),
    "depth-16": (("Xvfb", "-screen", "0", f"{SCREEN}x16"), None, {}),
    "vnc-depth-16": (("Xvnc", "-depth", "16", "-geometry", SCREEN, "-SecurityTypes", "None", "-rfbport", "-1"), None, {}),
}


@pytest.fixture
def start():
    """start(server, program, environment, **popen) runs a program on an X server of its own; skips
    where the server cannot start."""
    running = []

    def run(command, program, environment={}, **popen):
        try:
            server = virtual_display.Server(command)
        except FileNotFoundError:
            pytest.skip(f"{command[0]} is not installed")
        running.append(server.process)
        if server.name is None:
            pytest.skip(f"{command[0]} did not start: {server.output()}")
        process = subprocess.Popen([os.environ[f"{program.name.upper()}_BUILT"]], stderr=subprocess.PIPE, text=True,
                                   **{"stdout": subprocess.PIPE, **popen},
                                   env={**os.environ, "DISPLAY": server.name, **environment})
        running.insert(0, process)
        return process, server.name
    yield run
    for process in running:
        process.kill()
        process.wait()


def shows_its_picture(program, window):
    """At 16 bits the fountain's greys are only near grey, but the squares' colours are exact."""
    image = virtual_display.picture(window)
    if image is None:
        return False
    if program.picture == "squares":
        return {RED, BLUE} <= {colour for _, colour in image.getcolors(1 << 20)}
    lit = image.convert("L").point(lambda value: 255 if value > 20 else 0).getbbox()  # the fountain, at the centre
    return lit is not None and abs((lit[0] + lit[2]) / 2 - 300) < 40 and abs((lit[1] + lit[3]) / 2 - 200) < 60


@pytest.mark.parametrize("kind,program,ending", [
    (kind, program, ending) for kind, (_, refusal, _) in DISPLAYS.items() for program in PROGRAMS
    for ending in (["-"] if refusal else ["close", program.ending_key][:1 + bool(program.ending_key)])],
    ids=lambda value: getattr(value, "name", value))
def test_a_program_on_a_display(start, kind, program, ending):
    server, refusal, environment = DISPLAYS[kind]
    process, display = start(server, program, environment)
    if refusal is not None:
        out, err = process.communicate(timeout=30)
        assert (process.returncode, out, err) == (1, "", f"{program.name}: cannot open a window: {refusal}\n")
        return
    connection = virtual_display.connect(display)
    window = until(lambda: next((window for window in virtual_display.viewable_windows(connection)
                                 if window.get_wm_name() == program.title), None), f"the {program.title} window")
    window.configure(x=0, y=0)  # pictures are of what is on screen, wherever the window was placed
    assert virtual_display.size(window) == program.size
    until(lambda: shows_its_picture(program, window), f"{program.name}'s picture")
    if ending == "close":
        request_close(connection, window)
    else:
        window.set_input_focus(X.RevertToParent, X.CurrentTime)
        fake_keys(connection, [ending], X.KeyPress)
        fake_keys(connection, [ending], X.KeyRelease)
    out, err = process.communicate(timeout=30)
    assert process.returncode == 0, err
    assert out.splitlines() == (untouched_chase(len(out.splitlines()))[0] if program.prints_steps else [])


@pytest.mark.parametrize("output,reason", [("/dev/full", "No space left on device"), ("closed", "Bad file descriptor"),
                                           ("a pipe whose reader goes", None)])
def test_boxpair_when_its_lines_cannot_be_written(start, output, reason):
    process, _ = start(XVFB, BOXPAIR, stdout=open(output, "w") if output == "/dev/full" else subprocess.PIPE,
                       preexec_fn=(lambda: os.close(1)) if output == "closed" else None)
    if reason is None:  # as for any program in a pipe, the broken-pipe signal ends it
        assert all(process.stdout.readline() for _ in range(3))
        process.stdout.close()
        assert process.wait(30) == -signal.SIGPIPE
        return
    _, err = process.communicate(timeout=30)
    assert process.returncode == 1
    assert [line for line in err.splitlines() if "write" in line] == [f"boxpair: cannot write to standard output: {reason}"]
