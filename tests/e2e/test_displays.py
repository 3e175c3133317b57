"""Both programs on displays people have: they work where an OpenGL window is possible, else
say why in one line; and boxpair where its lines cannot be written."""
import os
import signal
import subprocess

import pytest

from harness import until
from harness.pictures import BLUE, RED
from harness.places import Place
from harness.programs import BOXPAIR, PROGRAMS
from harness.runs import Run

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
def on_server(tmp_path):
    """on_server(command): a place on an X server of this kind; skips where it cannot start."""
    places = []
    yield lambda command: places.append(Place(tmp_path, command)) or places[-1]
    for place in places:
        place.close()


def has_its_picture(program, image):
    """At 16 bits the fountain's greys are only near grey, but the squares' colours are exact."""
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
def test_a_program_on_a_display(on_server, kind, program, ending):
    server, refusal, environment = DISPLAYS[kind]
    place = on_server(server)
    if refusal is not None:
        ended = subprocess.run(place.command(program), capture_output=True, text=True, timeout=30,
                               env={**os.environ, "DISPLAY": place.display, **environment})
        assert (ended.returncode, ended.stdout, ended.stderr) == (1, "", f"{program.name}: cannot open a window: {refusal}\n")
        return
    run = Run(place, program, environment=environment)
    assert run.size() == program.size
    until(lambda: has_its_picture(program, run.picture()), f"{program.name}'s picture")
    run.request_close() if ending == "close" else run.tap(ending)
    run.assert_ended_cleanly()
    run.assert_untouched()


@pytest.mark.parametrize("output,reason", [("/dev/full", "No space left on device"), ("closed", "Bad file descriptor"),
                                           ("a pipe whose reader goes", None)])
def test_boxpair_when_its_lines_cannot_be_written(on_server, output, reason):
    place = on_server(XVFB)
    with open("/dev/full", "w") as full:
        process = subprocess.Popen(
            place.command(BOXPAIR), stdout=full if output == "/dev/full" else subprocess.PIPE, stderr=subprocess.PIPE,
            text=True, preexec_fn=(lambda: os.close(1)) if output == "closed" else None,
            env={**os.environ, "DISPLAY": place.display})
    if reason is None:  # as for any program in a pipe, the broken-pipe signal ends it
        assert all(process.stdout.readline() for _ in range(3))
        process.stdout.close()
        assert process.wait(30) == -signal.SIGPIPE
        return
    _, err = process.communicate(timeout=30)
    assert process.returncode == 1
    assert [line for line in err.splitlines() if "write" in line] == [f"boxpair: cannot write to standard output: {reason}"]
