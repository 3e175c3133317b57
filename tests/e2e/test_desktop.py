"""The programs on desktops as users run them: a display server that resets between clients,
an Openbox desktop with its title-bar actions, and the keyboard focus shared with other
programs."""
import subprocess

import pytest
from Xlib import X

from harness import until
from harness.chase import player_positions
from harness.pictures import BLUE, assert_shows_its_picture, square
from harness.places import send
from harness.programs import BOXPAIR, PROGRAMS

openbox = pytest.mark.places("openbox")


@pytest.fixture
def cpu_load():
    """Both cores kept busy, so that start-up takes longer than on an idle machine."""
    spinners = [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(2)]
    yield
    for spinner in spinners:
        spinner.kill()
        spinner.wait()


@pytest.mark.places("bare")
def test_start_up_never_fails_on_a_server_that_resets_when_its_last_client_leaves(cpu_load, place, start):
    """What `xvfb-run program` does many times in a row: each start comes just as the server's
    last client has left, while the server resets. The test connects again only once the
    program has made both its connections (its own check's and SFML's), so that in between the
    program may be the server's only client, as it is under xvfb-run."""
    for program in PROGRAMS:
        for _ in range(12):
            place.disconnect()
            run = start(program)
            run.request_close()
            run.assert_exits_with(0)


def send_to_window_manager(run, kind, *data):
    send(run.place.connection, run.window, kind, data, to_window_manager=True)


def wait_map_state(run, state):
    until(lambda: run.window.get_attributes().map_state == state, "the window's map state")


def focused(run):
    return run.place.connection.get_input_focus().focus.id


@openbox
def test_the_title_bars_close_action_ends_it_with_status_zero(run):
    assert_shows_its_picture(run)
    send_to_window_manager(run, "_NET_CLOSE_WINDOW", X.CurrentTime, 2)  # 2: from a pager or panel
    run.assert_ended_cleanly()


def change_state(run, on, *states):
    connection = run.place.connection
    for state in states:  # add or remove, the state, no second state, from an application
        send_to_window_manager(run, "_NET_WM_STATE", int(on), connection.intern_atom(state), 0, 1)


def activate(run):
    send_to_window_manager(run, "_NET_ACTIVE_WINDOW", 2, X.CurrentTime, 0)  # 2: from a pager, always obeyed


def minimise(run):
    send_to_window_manager(run, "WM_CHANGE_STATE", 3)  # IconicState
    wait_map_state(run, X.IsUnmapped)


@openbox
def test_keeps_running_and_drawing_through_maximise_fullscreen_minimise_and_restore(run, program):
    maximised = ("_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ")
    change_state(run, True, *maximised)
    until(lambda: run.size()[0] > program.size[0], "a maximised window")
    assert_shows_its_picture(run)
    change_state(run, False, *maximised)
    until(lambda: run.size() == program.size, "the window's own size again")

    change_state(run, True, "_NET_WM_STATE_FULLSCREEN")
    until(lambda: run.size() == (2048, 1536), "a full-screen window")
    assert_shows_its_picture(run)
    change_state(run, False, "_NET_WM_STATE_FULLSCREEN")
    until(lambda: run.size() == program.size, "the window's own size again")

    minimise(run)
    if program.prints_steps:
        assert run.wait_frames(10), "stopped while minimised"
    activate(run)
    wait_map_state(run, X.IsViewable)
    assert_shows_its_picture(run)
    assert run.process.poll() is None
    run.request_close()
    run.assert_ended_cleanly()


@openbox
def test_arrow_keys_move_the_blue_square_only_while_boxpair_has_the_focus(start, place):
    """The keyboard's state is the whole desktop's: keys held while another program has the
    focus, or while boxpair is minimised, were meant for someone else."""
    boxpair = start(BOXPAIR)

    def hold_arrows(frames):
        assert boxpair.wait_frames(2)  # a whole frame since the focus moved, so that it has seen it
        boxpair.press("Left", "Up")
        assert boxpair.wait_frames(frames)
        boxpair.release("Left", "Up")

    other = place.other_window("Another program")
    until(lambda: place.find_window("Another program"), "the other program's window")
    send(place.connection, other, "_NET_ACTIVE_WINDOW", [2, X.CurrentTime, 0], to_window_manager=True)
    until(lambda: focused(boxpair) == other.id, "the other program to have the focus")
    hold_arrows(30)

    activate(boxpair)
    until(lambda: focused(boxpair) == boxpair.window.id, "boxpair to have the focus")
    minimise(boxpair)
    hold_arrows(30)
    boxpair.assert_untouched()

    activate(boxpair)
    wait_map_state(boxpair, X.IsViewable)
    until(lambda: focused(boxpair) == boxpair.window.id, "boxpair to have the focus again")
    hold_arrows(10)
    assert boxpair.wait_frames(2)  # so that the last move is drawn
    left, top, _, _ = square(boxpair.picture(), BLUE)
    assert left < 120 - 5 * 5 and top < 60 - 5 * 5
    assert (left, top) in player_positions(boxpair.lines()), "the blue square is not where the printed lines put it"

