"""What a desktop and its user do to the programs beyond ordinary use: long runs, a stopped
process, extreme window sizes, a storm of key presses and a display server that dies."""
import os
import random
import re
import signal
import time

import psutil
import pytest

from harness.chase import line, player_positions, step
from harness.pictures import BLUE, assert_fountain_settles_around, assert_shows_its_picture, square
from harness.programs import BOXPAIR, SPARKFIELD

pytestmark = pytest.mark.places("bare")


def resident_kib(run):
    return psutil.Process(run.process.pid).memory_info().rss // 1024


def peak_over(run, seconds, peak):
    until = time.monotonic() + seconds
    while time.monotonic() < until:
        time.sleep(0.25)
        peak = max(peak, resident_kib(run))
    return peak


SOAK_SECONDS = int(os.environ.get("SOAK_SECONDS", "20"))


@pytest.mark.timeout(SOAK_SECONDS + 120)
def test_keeps_its_memory_flat_through_a_long_run(run):
    """A leak grows the memory in every stretch of the run, a one-off allocation (the graphics
    driver's, a few seconds in) only in one: the smaller rise of the peak, in the soak's first
    half over the level after warm-up and in its second over the first's peak, is judged.
    AddressSanitizer keeps freed memory in quarantine, so a sanitized build is judged on its
    behaviour only. SOAK_SECONDS makes the soak longer (scripts/soak.sh)."""
    half = SOAK_SECONDS / 2
    time.sleep(3)  # warm-up: caches, driver buffers and the first frames
    base = resident_kib(run)
    first = peak_over(run, half, base)
    second = peak_over(run, half, first)
    if os.environ.get("SANITIZED") != "1":
        assert min(first - base, second - first) < 512, f"resident memory grew by {first - base}, then {second - first} KiB"
    assert_shows_its_picture(run)
    run.request_close()
    run.assert_ended_cleanly()
    run.assert_untouched()


def test_sparkfield_stopped_for_three_seconds_shows_its_fountain_again_at_the_centre(start):
    run = start(SPARKFIELD)
    assert_fountain_settles_around(run, 300, 200)
    run.process.send_signal(signal.SIGSTOP)
    time.sleep(3)  # the stall itself
    run.process.send_signal(signal.SIGCONT)
    assert_fountain_settles_around(run, 300, 200)
    assert run.process.poll() is None


def test_survives_one_pixel_and_a_very_large_window(run, program):
    """Down to a single pixel, where nothing can be judged but that it keeps running, then up to
    far beyond the screen and back."""
    assert_shows_its_picture(run)
    run.resize(1, 1)
    time.sleep(0.5)  # some frames at one pixel
    if program.prints_steps:
        # Its tests use the window's size now: one pixel, centred at (0, 0), and the agent
        # stepping out of it from there each frame is put back there each frame.
        assert run.wait_frames(5), "stopped at one pixel"
        assert run.lines()[-3:] == [line(step((120, 60), (0, 0)))] * 3, "not re-centred in a window of one pixel"
    assert run.process.poll() is None
    for size in ((2000, 1500), program.size):
        run.resize(*size)
        assert_shows_its_picture(run)
    run.request_close()
    run.assert_ended_cleanly()


def test_only_arrow_keys_move_anything_and_every_frame_prints_one_line(start):
    run = start(BOXPAIR)
    assert run.wait_lines(1)
    dice = random.Random(2026)
    others = ["a", "z", "space", "Return", "Tab", "Shift_L", "Control_L", "F1", "BackSpace", "1", "KP_Left", "Home"]

    def storm(keys, events):
        held = set()
        for i in range(events):
            key = dice.choice(keys)
            run.release(key) if key in held else run.press(key)
            held ^= {key}
            if i % 40 == 0:
                run.wait_frames(1)
        run.release(*held)
        run.wait_frames(3)

    storm(others, 300)
    run.assert_untouched()
    assert square(run.picture(), BLUE)[:2] == (120, 60)
    storm(others + ["Left", "Right", "Up", "Down"], 400)
    player = square(run.picture(), BLUE)
    positions = player_positions(run.lines())  # every line the agent's step for where the keys put the player
    assert player is None or player[2] < 50 or player[:2] in positions, f"blue square at {player}, not one of {positions}"
    run.tap(BOXPAIR.ending_key)
    run.assert_ended_cleanly()


@pytest.mark.parametrize("when", ["starting", "running"])
def test_ends_plainly_when_the_display_server_dies(start, place, program, when):
    """Once as the window appears, while the program is still setting up, and once in full run."""
    run = start(program)
    if when == "running":
        assert_shows_its_picture(run)
    place.disconnect()  # the test's own connection would die with the server
    place.server.stop(kill=True)
    run.assert_exits_with(1)
    assert run.errors().splitlines()[-1:] == [f"{program.name}: lost the connection to the display; exiting"]


def test_ends_plainly_when_another_client_destroys_its_window(run, place, program):
    """The display then refuses the program's next request on its window."""
    assert_shows_its_picture(run)
    run.window.destroy()
    place.connection.sync()
    run.assert_exits_with(1)
    assert re.fullmatch(rf"{program.name}: the display reported an error \(.+\); exiting",
                        run.errors().splitlines()[-1]), run.errors()
