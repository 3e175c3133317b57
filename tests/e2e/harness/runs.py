"""One run of a program in a place: its window found, its output and frames counted, its ending
judged."""
import os
import subprocess
import time

from Xlib import X

import virtual_display
from harness import until
from harness.chase import untouched_chase
from harness.places import Wine, fake_keys, request_close
from harness.programs import STEP_LINE


class Run:
    """One run of a program in a place, with its window found; its output goes to files, which
    never fill up and block it as a pipe would. A frame counter is preloaded where it can be, so
    that what it printed can be held against what it showed."""

    def __init__(self, place, program, arguments=(), environment=None):
        self.place, self.program = place, program
        folder = place.tmp_path
        self.out, self.err, self.frame_file = (folder / f"{program.name}.{kind}" for kind in ("out", "err", "frames"))
        self.folder = folder / f"{program.name}.cwd"  # its working folder, empty: it writes no files
        self.folder.mkdir(exist_ok=True)
        connected = place.let_go and place.clients_connected()
        self.started = time.monotonic()  # before the program: its clock can only start later
        with open(self.out, "wb") as out, open(self.err, "wb") as err:
            self.process = subprocess.Popen(
                place.command(program) + list(arguments), stdout=out, stderr=err, cwd=self.folder,
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

    def assert_exits_with(self, status=0):
        self.process.wait(30)
        assert self.process.returncode == status, self.errors()

    def assert_ended_cleanly(self):
        """Status 0, no file written, and its output as its table entry says; a program that
        prints a line a frame has printed whole, well-formed lines, one for each frame it showed
        and one for the frame that closed the window."""
        self.assert_exits_with(0)
        assert not any(self.folder.iterdir()), "it wrote files"
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

    def assert_untouched(self):
        """Every line so far is the one the untouched chase prints in that frame."""
        lines = self.lines()
        assert lines == untouched_chase(len(lines))[0]
