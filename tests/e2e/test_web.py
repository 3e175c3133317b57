"""The web page, as a reader uses it in a browser: boxpair's lines, byte for byte the native
library's, its keys, its drag and its pace; sparkfield's ring, its spawn point and its size."""
import math
import os
import subprocess

import pytest
from selenium.webdriver.common.keys import Keys

from harness import until
from harness.browser import Page, chromium, page_file
from harness.chase import player_positions

pytestmark = pytest.mark.skipif(not os.path.exists(page_file()), reason="no page built: run scripts/web.sh")


@pytest.fixture(scope="module")
def browser(tmp_path_factory):
    driver = chromium(tmp_path_factory.mktemp("chromium-profile"))
    yield driver
    driver.quit()


@pytest.fixture
def page(browser):
    return Page(browser)


def native_lines(count):
    """boxpair's first lines from its start, as the native chase library prints them."""
    figure_data = os.environ["FIGURE_DATA"]
    return subprocess.run([figure_data, "chase", "120", "60", "340", "200", str(count)], check=True,
                          capture_output=True, text=True).stdout.splitlines()


def hold(page, keys, frames):
    actions = page.actions()
    for key in keys:
        actions.key_down(key)
    actions.perform()
    page.wait_frames(frames)
    actions = page.actions()
    for key in keys:
        actions.key_up(key)
    actions.perform()


def test_prints_boxpairs_first_600_lines_byte_for_byte_as_the_native_program(page):
    until(lambda: page.frames() >= 600, "600 frames")
    page.element("boxpair-pause").click()
    assert page.lines()[:600] == native_lines(600)


def test_held_arrow_keys_move_the_blue_square_5_pixels_a_frame_and_every_line_follows_the_rule(page):
    page.click_at("boxpair", 700, 550)  # the canvas takes the focus; nothing is there to drag
    page.wait_frames(2)
    hold(page, [Keys.ARROW_RIGHT, Keys.ARROW_DOWN], 30)
    page.wait_frames(2)
    page.element("boxpair-pause").click()
    lines = page.lines()
    assert len(lines) == page.frames(), "lines lost"
    (x, y), = player_positions(lines)  # every line is the rule's step for where the keys put the player
    # Two keys pressed a frame apart may act for one frame more or less than each other.
    assert abs((x - 120) - (y - 60)) <= 5 and x - 120 >= 5 * 28 and x % 5 == 0, f"the blue square stands at ({x}, {y})"
    assert page.script("return [Module._boxpairState(0), Module._boxpairState(1)]") == [x, y]


def test_keys_do_nothing_while_the_canvas_has_not_the_focus(page):
    page.element("boxpair-output").click()
    hold(page, [Keys.ARROW_LEFT, Keys.ARROW_UP], 30)
    page.element("boxpair-pause").click()
    lines = page.lines()
    assert lines == native_lines(len(lines))


def test_a_dragged_blue_square_moves_and_the_agent_turns_after_it(page):
    page.wait_frames(5)
    element, x, y = page.at("boxpair", 140, 80)  # inside the blue square, at its start
    page.actions().move_to_element_with_offset(element, x, y).click_and_hold().move_by_offset(300, 0) \
        .move_by_offset(200, 400).release().perform()
    player = page.script("return [Module._boxpairState(0), Module._boxpairState(1)]")
    assert player == [620, 460], f"the blue square was not dragged: it stands at {player}"
    agent = lambda: page.script("return [Module._boxpairState(2), Module._boxpairState(3)]")  # noqa: E731
    away = math.dist(agent(), player)
    page.wait_frames(150)  # 300 pixels of steps, all but the first few on a ray in to the player
    assert away - math.dist(agent(), player) >= 150, f"the agent, now at {agent()}, did not come after the player"


def test_runs_no_more_than_60_frames_a_second(page):
    first, start = page.script("return [Number(document.getElementById('boxpair-output').dataset.lines), performance.now()]")
    page.wait_frames(120)
    last, end = page.script("return [Number(document.getElementById('boxpair-output').dataset.lines), performance.now()]")
    assert last - first <= 60 * (end - start) / 1000 + 3, "more than 60 frames a second"


def test_sparkfield_opens_a_ring_of_a_thousand_points_at_50_to_99_pixels_a_second(page):
    """Read together with the time the fountain has been moved by, which is the page's own: every
    lit point lies between 50 and 99 pixels a second out from the centre, give or take the pull."""
    page.element("sparkfield-restart").click()
    # From 0.8 s on, the ring is wide enough that few of the thousand points share a pixel.
    lit, age = until(lambda: (seen := page.lit_pixels())[1] >= 0.8 and seen, "the fountain to be 0.8 s old")
    assert age < 1.5, "the machine is too slow to see the ring"
    assert len(lit) >= 800, f"{len(lit)} points lit"
    distances = [math.dist((x + 0.5, y + 0.5), (300, 200)) for x, y, _ in lit]
    pull = 9.28 * age * age
    assert 50 * age - pull - 2 <= min(distances) and max(distances) <= 99 * age + pull + 2, \
        f"points {min(distances):.0f} to {max(distances):.0f} pixels out at {age:.2f} s"
    assert max(distances) >= 99 * age - pull - 2, "the fastest points are slower than 99 pixels a second"


def test_a_click_moves_where_sparkfields_points_are_born(page):
    page.click_at("sparkfield", 100, 100)
    until(lambda: sum(1 for x, y, _ in page.lit_pixels()[0] if math.dist((x, y), (100, 100)) < 20) >= 10,
          "points born where the click was")


def test_sparkfield_draws_100000_points(page):
    page.script("const choice = document.getElementById('sparkfield-count');"
                "choice.value = '100000'; choice.dispatchEvent(new Event('change'));")
    until(lambda: len(page.lit_pixels()[0]) >= 20000, "the hundred thousand points to be drawn")
    assert page.element("sparkfield-particles").text == "100000"


def test_pause_one_frame_restart_readouts_and_overlays(page):
    page.element("boxpair-pause").click()
    paused = page.frames()
    page.wait_reports(2)  # sparkfield's readout moves on; boxpair's frames do not
    assert page.frames() == paused, "frames ran while paused"
    page.element("boxpair-restart").click()
    assert page.frames() == 0 and page.lines() == []
    for count in (1, 2, 3):
        page.element("boxpair-step-frame").click()
        assert page.lines() == native_lines(count)
    page.element("boxpair-restart").click()
    page.element("boxpair-step-frame").click()
    readouts = [page.element(name).text for name in ("boxpair-theta", "boxpair-phi", "boxpair-step")]
    assert readouts == ["0.5667", "32.47", "0.985995 1.74006"]  # θ and φ of the first step, and the step

    colours = "const d = document.getElementById('boxpair').getContext('2d').getImageData(0, 0, 800, 600).data;" \
              "const seen = new Set(); for (let i = 0; i < d.length; i += 4) seen.add(d[i] + ',' + d[i + 1] + ',' + d[i + 2]);" \
              "return [...seen];"
    # Only the squares on black, in red and blue (their edges blended where they fall between pixels).
    assert all(c.split(",")[1] == "0" for c in page.script(colours)), "overlays shown at the start"
    for overlay in ("boxpair-field", "boxpair-radians"):
        page.element(overlay).click()
    page.element("boxpair-pause").click()  # runs again
    page.wait_frames(60)
    seen = set(page.script(colours))
    assert any(int(c.split(",")[1]) > 150 and int(c.split(",")[0]) < 100 for c in seen), "no green steps or rays"
    radians = page.script("return [Module._boxpairState(4), Module._boxpairState(5)]")
    assert math.dist(radians, (120, 60)) > math.dist((340, 200), (120, 60)) + 100, "the radians agent does not flee"


def test_sparkfield_pauses_and_runs_slowly(page):
    age = lambda: page.lit_pixels()[1]  # noqa: E731
    page.element("sparkfield-pause").click()
    before = age()
    page.wait_reports(2)
    assert age() == before, "the fountain moved while paused"
    page.element("sparkfield-pause").click()
    page.element("sparkfield-slow").click()
    start, clock = page.script("return [Number(document.getElementById('sparkfield').dataset.age), performance.now()]")
    page.wait_reports(2)
    end, now = page.script("return [Number(document.getElementById('sparkfield').dataset.age), performance.now()]")
    # A quarter of the time between frames, give or take the frames at either end.
    assert abs((end - start) - 0.25 * (now - clock) / 1000) < 0.05, f"moved {end - start:.3f} s in {(now - clock) / 1000:.3f} s"
