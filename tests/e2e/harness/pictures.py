"""How a window's picture is judged: exact colours, the fountain's points, the squares."""
import math
import time

from PIL import ImageChops

from harness import until


def mask(channel, test):
    return channel.point(lambda value: 255 if test(value) else 0)


def fountain_around(image, x, y, opaque_at_least=0):
    """Grey-white points on black, at least 150, the opaque ones (born within the last second,
    so at most about 105 pixels from their birth; a few young ones overlapping can add up to
    full white too, hence the wider bound) within 160 pixels of (x, y)."""
    if image is None:
        return False
    red, green, blue = image.split()
    lit = ImageChops.lighter(ImageChops.lighter(red, green), blue)
    if mask(lit, bool).histogram()[255] < 150 or ImageChops.difference(red, green).getbbox() or \
            ImageChops.difference(green, blue).getbbox():
        return False
    box = mask(red, lambda value: value == 255).getbbox()
    if box is None:
        return opaque_at_least == 0
    opaque = [(box[0] + i % (box[2] - box[0]), box[1] + i // (box[2] - box[0]))
              for i, value in enumerate(red.crop(box).getdata()) if value == 255]
    return len(opaque) >= opaque_at_least and all(math.hypot(px - x, py - y) <= 160 for px, py in opaque)


def farthest_lit(image, x, y):
    """How far from (x, y) the farthest pixel that is not black lies; None if all are, or if there
    is no picture."""
    if image is None:
        return None
    width = image.width
    lit = [i for i, value in enumerate(image.convert("L").getdata()) if value]
    return max((math.hypot(i % width - x, i // width - y) for i in lit), default=None)


def lit_pixels(image):
    return sum(1 for value in image.convert("L").getdata() if value)


def colour_mask(image, colour):
    """White where the image has exactly this colour, black elsewhere."""
    hits = [mask(channel, lambda value, wanted=wanted: value == wanted) for channel, wanted in zip(image.split(), colour)]
    return ImageChops.multiply(ImageChops.multiply(hits[0], hits[1]), hits[2])


def square(image, colour):
    """The bounds (left, top, width, height) of the pixels of exactly this colour, or None."""
    if image is None:
        return None
    box = colour_mask(image, colour).getbbox()
    return box and (box[0], box[1], box[2] - box[0], box[3] - box[1])


def pixels_of(image, colour):
    """How many pixels have exactly this colour."""
    return colour_mask(image, colour).histogram()[255]


RED, BLUE = (255, 0, 0), (0, 0, 255)


def assert_fountain_settles_around(run, x, y, bound=20.0):
    """The fountain stays around (x, y) in every picture for a second and a half. Right after a
    change, points born before it can still look right for a moment; a second and a half of
    births shows where they now start. The first births all age together, so for a moment there
    may be no opaque point at all once it has settled."""
    since = None

    def settled():
        nonlocal since
        if not fountain_around(run.picture(), x, y, 0 if since else 10):
            since = None
        elif since is None:
            since = time.monotonic()
        return since is not None and time.monotonic() - since >= 1.5
    until(settled, f"the fountain to settle around ({x}, {y})", bound)


def assert_shows_its_picture(run):
    """The program's picture, as its table entry describes it, for the window's present size."""
    if run.program.picture == "fountain":
        width, height = run.size()
        assert_fountain_settles_around(run, width / 2, height / 2)
        return
    # The window keeps its old frame, unstretched, until the program draws again, so a picture
    # is judged once the program has shown a few frames since (it prints a line each).
    assert run.wait_frames(3), f"stopped drawing; it {run.fate()}"
    until(lambda: squares_on_black(run.picture()), "a red 50-pixel square, the blue one beside or under it, on black")


def squares_on_black(image):
    """The whole red square, and nothing but it and the blue one on black."""
    box = square(image, RED)
    return box is not None and box[2:] == (50, 50) and \
        {colour for _, colour in image.getcolors(1 << 20)} <= {RED, BLUE, (0, 0, 0)}
