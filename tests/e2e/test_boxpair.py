"""What boxpair alone does: the steps it prints, the agent drawn where they lead, and the
player's square under the arrow keys."""
import time

import pytest

from harness import until
from harness.chase import player_positions, untouched_chase
from harness.pictures import BLUE, RED, pixels_of, square
from harness.programs import BOXPAIR, STEP_LINE

pytestmark = pytest.mark.places("bare")


@pytest.fixture
def boxpair(start):
    run = start(BOXPAIR)
    assert run.wait_lines(1)
    # Each line is written as it comes; held back in a buffer, they would come some 240 at once.
    assert len(run.lines()) < 120, "lines held back, not written a frame at a time"
    return run


def test_reports_the_agents_step_once_a_frame_from_the_starting_positions(boxpair):
    assert boxpair.wait_lines(150)
    lines = boxpair.lines()
    # At most 60 frames a second: a slower machine only prints fewer.
    assert len(lines) <= 60 * (time.monotonic() - boxpair.started) + 2, "more than 60 frames a second"
    assert all(STEP_LINE.match(line) for line in lines)
    assert lines[:3] == ["0.985995 1.74006", "0.611402 1.90426", "0.0690283 1.99881"]
    boxpair.assert_untouched()


def test_draws_the_red_agent_where_its_printed_steps_have_taken_it(boxpair):
    """The frame on screen lies between the lines counted before and after the picture."""
    def seen():
        before = len(boxpair.lines())
        agent = square(boxpair.picture(), RED)
        return agent and (before, agent, len(boxpair.lines()))
    before, agent, after = until(seen, "the red square")
    positions = [(340.0, 200.0)] + untouched_chase(after)[1]
    assert agent[2:] == (50, 50)
    assert any(abs(agent[0] - x) <= 1 and abs(agent[1] - y) <= 1 for x, y in positions[max(before - 1, 0):after + 1]), \
        f"red square at {agent[:2]} between frames {before} and {after}"


def test_once_the_squares_overlap_the_red_one_is_drawn_whole_over_the_blue(boxpair):
    """The untouched chase brings the agent onto the player, where it stays; from then on every
    picture shows all 2500 pixels of the red square, and of the blue one only what it leaves."""
    positions = untouched_chase(600)[1]
    meeting = next(frame for frame, (x, y) in enumerate(positions) if abs(x - 120) < 50 and abs(y - 60) < 50)
    assert all(abs(x - 120) < 50 and abs(y - 60) < 50 for x, y in positions[meeting:]), "they part again"
    # A line is printed before its frame is drawn, and a frame handed to the server may wait
    # there until the next: two lines after the meeting frame's, it is on screen.
    assert boxpair.wait_lines(meeting + 3)
    for _ in range(3):
        picture = boxpair.picture()
        assert pixels_of(picture, RED) == 2500, f"red square covered, at {square(picture, RED)}"
        assert 0 < pixels_of(picture, BLUE) < 2500, f"blue square not under the red one, at {square(picture, BLUE)}"
        assert boxpair.wait_frames(5)


def test_holding_arrow_keys_moves_the_blue_square_and_nothing_else_does(boxpair):
    """A frame may sample the keyboard between two key events, so a key can act for one frame
    more or less than the others, and a test slowed down releases its keys late: moves are
    checked from below, and against each other to within one frame. Every line printed is held
    against the rule: each must be the agent's step for where the keys can have put the player
    in its frame, and the blue square drawn must stand where the lines say it can."""
    def hold(keys, frames):
        boxpair.press(*keys)
        boxpair.wait_frames(frames)
        boxpair.release(*keys)
        boxpair.wait_frames(2)  # so that the last move is drawn
        before = boxpair.lines()
        player = square(boxpair.picture(), BLUE)
        positions = player_positions(before)
        assert player is None or player[2] < 50 or player[:2] in positions, \
            f"blue square drawn at {player[:2]}, where the {len(before)} lines printed put it at one of {positions}"
        return player

    left, top, _, _ = hold(["Left", "Right"], 10)
    assert abs(left - 120) <= 5 and top == 60, "Left and Right together cancel"
    assert hold(["a", "space", "Return"], 10)[:2] == (left, 60)
    # Away from the agent, which comes from the lower right, so nothing covers the player.
    moved_left, moved_top, width, height = hold(["Left", "Up"], 8)
    assert (width, height) == (50, 50)
    assert moved_left <= left - 5 * 7 and moved_left % 5 == 0 and moved_top % 5 == 0
    assert abs((left - moved_left) - (60 - moved_top)) <= 5, "Left and Up together move diagonally"
    down_left, down_top, _, _ = hold(["Down"], 8)
    assert down_left == moved_left and down_top - moved_top >= 5 * 7 and down_top % 5 == 0, "Down moves 5 pixels a frame"
    out = hold(["Left"], down_left // 5 + 2)
    assert out is None or (out[0] == 0 and out[2] < 50), "the blue square stops at the window's edge"
    player_positions(boxpair.lines())  # every line, the last ones too
