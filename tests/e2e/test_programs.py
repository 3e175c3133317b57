"""What both programs do alike wherever they run: the window, its picture at any size, the ways
to end it, and a start with nothing to open a window on."""
import os
import subprocess

import pytest

from harness.pictures import assert_shows_its_picture
from harness.programs import BOXPAIR


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


def test_ends_with_status_zero_on_a_close_request(run):
    """The request comes once the first frame is on screen, so that an ending before any frame
    is not taken for a clean one."""
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
    for display in ("", ":9999"):
        ended = subprocess.run(place.command(program), capture_output=True, text=True, timeout=30,
                               env={**os.environ, "DISPLAY": display})
        assert (ended.returncode, ended.stdout) == (1, ""), display
        assert ended.stderr.count("\n") == 1 and ended.stderr.startswith(f"{program.name}: cannot open a window: ")
