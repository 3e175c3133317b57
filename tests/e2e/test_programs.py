"""What both programs do alike wherever they run: the window, its picture at any size, the ways
to end it, and a start with nothing to open a window on."""
import os
import subprocess
import time

import pytest
from PIL import Image

from harness import until
from harness.pictures import assert_shows_its_picture, farthest_lit, fountain_around, lit_pixels
from harness.programs import BOXPAIR, ROOT, SPARKFIELD


def test_opens_its_window_with_its_title_and_size(run, program):
    assert run.window.get_wm_name() == program.title
    assert run.size() == program.size


def test_shows_its_picture(run):
    assert_shows_its_picture(run)


@pytest.mark.places("bare", "openbox", "weston", "wine", "package")
def test_keeps_its_picture_right_after_a_resize(run):
    assert_shows_its_picture(run)
    run.resize(1000, 700)
    assert_shows_its_picture(run)
    assert run.size() == (1000, 700)


def test_ends_with_status_zero_on_a_close_request(run, program):
    """The request comes once the first frame is on screen, so that an ending before any frame
    is not taken for a clean one; a key other than its ending key has ended nothing before."""
    assert_shows_its_picture(run)
    run.tap("q" if program.ending_key else "Escape")
    assert_shows_its_picture(run)
    run.request_close()
    run.assert_ended_cleanly()
    run.assert_untouched()


# Weston gives the keyboard to a window when it sees fit, and a key sent before then is lost:
# there the test would judge the compositor, not the program.
@pytest.mark.places("bare", "openbox", "wine", "package")
def test_ends_on_its_ending_key_after_that_frames_line(start):
    run = start(BOXPAIR)
    assert run.wait_lines(120)
    run.tap(BOXPAIR.ending_key)
    run.assert_ended_cleanly()
    run.assert_untouched()


@pytest.mark.places("bare", "package")
def test_ignores_its_arguments(start, program):
    run = start(program, ["--help", "-x", "\x01garbage"])
    assert_shows_its_picture(run)
    run.request_close()
    run.assert_ended_cleanly()
    run.assert_untouched()


@pytest.mark.places("bare", "package")
def test_fails_with_one_line_and_status_one_where_no_window_can_open(place, program):
    for display, reason in (("", "no display available (is DISPLAY set?)"), (":9999", 'cannot connect to display ":9999"')):
        ended = subprocess.run(place.command(program), capture_output=True, text=True, timeout=30,
                               env={**os.environ, "DISPLAY": display})
        assert (ended.returncode, ended.stdout, ended.stderr) == (1, "", f"{program.name}: cannot open a window: {reason}\n")


@pytest.mark.places("bare", "package")
def test_sparkfield_keeps_the_pace_of_real_time(start):
    """All points are born in the first frame, the fastest at 99 pixels a second, so t seconds on
    the farthest lies 99·t pixels out, give or take what the pull adds (9.28·t², generously). The
    frame judged comes after a first frame seen at `first` and after `before` (two changes of
    picture since), and before `after`; the clock starts after the program does: t lies between
    before - first and after - started, bounds a slower machine only widens. A fixed step per
    frame instead of the clock's time runs the fountain too fast or too slow for the display."""
    run = start(SPARKFIELD)
    first = until(lambda: farthest_lit(run.picture(), 300, 200) is not None and time.monotonic(), "a first frame")
    time.sleep(0.8)  # the span the fountain is judged over
    before = time.monotonic()
    picture = until(run.picture, "a picture")
    for _ in range(2):
        picture = until(lambda shown=picture: (now := run.picture()) != shown and now, "a new frame")
    after = time.monotonic()
    shortest, longest = before - first, after - run.started
    farthest = farthest_lit(picture, 300, 200)
    if longest < 1.5:  # until then every point is inside the window, and few share a pixel
        assert lit_pixels(picture) >= 800, "fewer points than the thousand born"
    assert 99 * shortest - 9.28 * shortest**2 - 2 <= farthest <= 99 * longest + 9.28 * longest**2 + 2, \
        f"the farthest point is {farthest:.0f} pixels out between {shortest:.2f} and {longest:.2f} s after the start"


@pytest.mark.places("bare")
def test_capture_script_saves_a_picture_and_an_animation_of_a_window(place, tmp_path):
    """`scripts/capture.sh`, which starts a virtual display of its own (the place's goes unused)."""
    for output in (tmp_path / "fountain.png", tmp_path / "fountain.gif"):
        subprocess.run([os.path.join(ROOT, "scripts", "capture.sh"), "sparkfield", "0.5", output], check=True,
                       capture_output=True, timeout=120)
        with Image.open(output) as picture:
            assert picture.size == SPARKFIELD.size and fountain_around(picture.convert("RGB"), 300, 200)
            assert getattr(picture, "n_frames", 1) == (30 if output.suffix == ".gif" else 1)
