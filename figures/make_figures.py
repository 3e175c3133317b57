#!/usr/bin/python3
"""Makes the figures of docs/how-it-works.md from the programs and the libraries they run:

    make_figures.py [--check] FOLDER BOXPAIR FIGURE_DATA FRAME_GRABBER

BOXPAIR is the program, FIGURE_DATA and FRAME_GRABBER are built from this folder. It runs
boxpair on a virtual display of its own, keeping its printed lines and, through the frame
grabber, the frames it shows; asks FIGURE_DATA for the rest; and writes into FOLDER:

- the pictures, PNG and GIF;
- numbers.txt: every number the page states about what the programs do, as worked out here,
  each of which the page must contain (else it fails);
- made-with.txt: the versions of the libraries that drew the pictures, which decide their bytes.

Everything is deterministic: the same code and libraries make the same bytes. With --check it
makes them aside and fails, naming them, where they differ from those in FOLDER; where the
libraries that drew FOLDER's differ from this machine's, it says so and exits with status 77,
which CTest reports as a skip."""
import filecmp
import math
import os
import subprocess
import sys
import tempfile
import zlib

import matplotlib
import numpy as np
import PIL
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts", "lib"))
import virtual_display  # noqa: E402

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib import ft2font, patheffects  # noqa: E402

PAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "docs", "how-it-works.md")
CHASE_WINDOW = (800, 600)
FOUNTAIN_WINDOW = (600, 400)
SQUARE = 50
FRAMES_PRINTED = 600  # boxpair's lines: ten seconds of the chase
FRAMES_SHOWN = 150  # boxpair's frames for the animation: the run-in and the first of the tumble
SHOW_EVERY = 3  # an animation frame for every third of boxpair's, at its 60 a second
RED, BLUE = (255, 0, 0), (0, 0, 255)
# Turned into degrees and read as radians, an angle θ becomes θ·180/π: the step's direction
# turns this many times as fast as the agent goes round the player.
TURN = 180 / math.pi

plt.rcParams.update({"font.size": 9, "savefig.dpi": 100, "figure.dpi": 100})


def lines_of(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout.splitlines()


def numbers_of(lines):
    return np.array([[float(word) for word in line.split()] for line in lines])


# boxpair, as it runs


def run_boxpair(boxpair, grabber, scratch):
    """boxpair's first FRAMES_PRINTED lines, and the frames it showed (every SHOW_EVERY-th of the
    first FRAMES_SHOWN), on a virtual display with no key touched."""
    frames_file, out_file = os.path.join(scratch, "frames.rgba"), os.path.join(scratch, "out")
    frame_bytes = CHASE_WINDOW[0] * CHASE_WINDOW[1] * 4
    kept = len(range(0, FRAMES_SHOWN, SHOW_EVERY))
    server = virtual_display.Server()
    holding = virtual_display.connect(server.name)  # so that the server does not reset
    try:
        with open(out_file, "w") as out:
            program = subprocess.Popen([boxpair], stdout=out, stderr=subprocess.DEVNULL, env={
                **os.environ, "DISPLAY": server.name, "LD_PRELOAD": grabber, "FRAME_GRAB_FILE": frames_file,
                "FRAME_GRAB_COUNT": str(FRAMES_SHOWN), "FRAME_GRAB_EVERY": str(SHOW_EVERY)})
        try:
            def done():
                with open(out_file) as printed:
                    enough = printed.read().count("\n") >= FRAMES_PRINTED
                return program.poll() is not None or (enough and os.path.exists(frames_file)
                                                      and os.path.getsize(frames_file) == kept * frame_bytes)
            virtual_display.until(done, f"boxpair's first {FRAMES_PRINTED} frames", 120)
            if program.poll() is not None:
                sys.exit(f"boxpair ended, with status {program.returncode}, before its first {FRAMES_PRINTED} frames")
        finally:
            program.kill()
            program.wait()
    finally:
        holding.close()
        server.stop()
    with open(out_file) as printed:
        lines = printed.read().splitlines()[:FRAMES_PRINTED]
    with open(frames_file, "rb") as grabbed:
        data = grabbed.read()
    frames = [Image.frombytes("RGBA", CHASE_WINDOW, data[i * frame_bytes:(i + 1) * frame_bytes])
              .transpose(Image.Transpose.FLIP_TOP_BOTTOM).convert("RGB") for i in range(kept)]
    return lines, frames


def corner_of(image, colour):
    hits = np.all(np.asarray(image) == colour, axis=2)
    rows, columns = np.nonzero(hits)
    return np.array([columns.min(), rows.min()], dtype=float)


def starting_corners(first_frame, first_step):
    """The squares' corners before the first step. The first frame shows the player where it
    starts and the agent one step on, each drawn from its corner to the nearest whole pixel; the
    programs start them on whole pixels."""
    return corner_of(first_frame, BLUE), np.round(corner_of(first_frame, RED) - first_step)


# What the rule does


def rays(kind):
    """The directions θ from the player on which the step points straight at it ("toward":
    θ = (2k+1)·π/(180/π − 1)) or straight away ("away": θ = 2k·π/(180/π − 1)), within ±π."""
    first = 1 if kind == "toward" else 0
    return [m * math.pi / (TURN - 1) for m in range(-60, 61) if m % 2 == first and abs(m * math.pi / (TURN - 1)) <= math.pi]


def bearing(agent, player):
    offset = agent - player
    return np.arctan2(offset[:, 1], offset[:, 0])


def overlapping(agent, player):
    return np.all(np.abs(agent - player) < SQUARE, axis=1)


def chase_facts(path, player):
    """Frame n is the frame after n steps: path[n]. Further out than TURN - 1 pixels from the
    player, the agent is held on its ray; a thousandth of a radian off it counts as off, and a
    hundredth as having left it."""
    theta, distance = bearing(path, player), np.hypot(*(path - player).T)
    first_overlap = int(np.argmax(overlapping(path, player)))
    assert overlapping(path[first_overlap:], player).all(), "the squares part again"
    within_40 = int(np.nonzero(distance >= 40)[0].max()) + 1
    jitter_from = int(np.nonzero(np.any(path[2:] != path[:-2], axis=1))[0].max()) + 1
    held = int(np.argmax(distance < TURN - 1))
    ray = min(rays("toward"), key=lambda r: abs(r - theta[held - 1]))
    locked = int(np.nonzero(np.abs(theta[:held] - ray) >= 0.001)[0].max()) + 1
    left = held + int(np.argmax(np.abs(theta[held:] - ray) >= 0.01))
    run_in = np.hypot(*np.diff(path[locked:held], axis=0).T)
    ends = path[jitter_from:jitter_from + 2]
    end_distance = np.hypot(*(ends - player).T)
    covered = np.prod(SQUARE - np.abs(ends - player), axis=1) / SQUARE ** 2
    return {"locked frame": locked, "locked angle": f"{ray:.3f}",
            "locked ray": f"{round(ray * (TURN - 1) / math.pi)}π/(180/π − 1)",
            "run-in pixels a frame": f"{np.median(run_in):.0f}", "first overlap frame": first_overlap,
            "first overlap pixels": f"{distance[first_overlap]:.0f}",
            "overshoot within pixels": f"{2 * (TURN - 1):.0f}", "inside lock distance from frame": held,
            "leaves its ray frame": left, "leaves its ray pixels": f"{distance[left]:.0f}",
            "frames the error grows": left - held,
            "tumble pixels": f"{distance[left:].min():.0f} to {distance[left:].max():.0f}",
            "tumble angles": f"{theta[left:].min():.2f} and {theta[left:].max():.2f}",
            "within 40 pixels from frame": within_40, "jitter from frame": jitter_from,
            "jitter points": " and ".join(f"({x:.1f}, {y:.1f})" for x, y in ends),
            "jitter pixels": f"{end_distance.min():.0f} to {end_distance.max():.0f}",
            "jitter share covered": f"{100 * covered.min():.0f} to {100 * covered.max():.0f}%"}


AWAY_RAY = dict(color="white", lw=0.9, ls=(0, (2, 2)), path_effects=[patheffects.withStroke(linewidth=2.2,
                                                                                          foreground="black")])
TOWARD_RAY = dict(color="#003d1f", lw=0.7)


def plot_chase(path, player, start, field, arrows, facts, output):
    """The field: how much of the step, at each point, points at the player (green) or away (red).
    The left panel shows the run-in; the right one, the end of the chase at the player."""
    figure, (axes, end_axes) = plt.subplots(1, 2, figsize=(12, 6.6), gridspec_kw={"width_ratios": [2.3, 1]})
    left, top, right, bottom = field[:, 0].min(), field[:, 1].min(), field[:, 0].max(), field[:, 1].max()
    columns = len(np.unique(field[:, 0]))
    offsets = field[:, :2] - player
    toward = -np.sum(field[:, 2:] * offsets, axis=1) / (2 * np.maximum(np.hypot(*offsets.T), 1e-9))
    shading = axes.imshow(toward.reshape(-1, columns), extent=(left, right, bottom, top), cmap="RdYlGn", vmin=-1.6,
                          vmax=1.6, interpolation="nearest")
    key = figure.colorbar(shading, ax=axes, orientation="horizontal", shrink=0.7, pad=0.1, aspect=40, ticks=[-1, 0, 1])
    key.ax.set_xticklabels(["straight away", "sideways", "straight at the player"])
    key.set_label("where the step points, seen from the player")
    reach = math.hypot(right - left, bottom - top)
    for kind, style in (("away", AWAY_RAY), ("toward", TOWARD_RAY)):
        for theta in rays(kind):
            axes.plot([player[0], player[0] + reach * math.cos(theta)], [player[1], player[1] + reach * math.sin(theta)],
                      **style)
    axes.plot([], [], **TOWARD_RAY, label=f"the {len(rays('toward'))} rays on which the step points straight at the player")
    axes.plot([], [], **AWAY_RAY, label="the rays on which it points straight away")
    axes.quiver(arrows[:, 0], arrows[:, 1], arrows[:, 2], arrows[:, 3], angles="xy", color="black", width=0.002,
                scale=0.25, scale_units="xy", label="the step itself, every 24 pixels")
    shown = path[:facts["first overlap frame"] + 1]
    axes.plot(shown[:, 0], shown[:, 1], color="#1f3fff", lw=1.6,
              label=f"the agent's path to frame {facts['first overlap frame']}, from boxpair's printed steps")
    axes.plot(shown[::10, 0], shown[::10, 1], "o", color="#1f3fff", ms=2.5)
    axes.add_patch(plt.Rectangle(player, SQUARE, SQUARE, fill=False, ec="blue", lw=1.5))
    axes.add_patch(plt.Rectangle(start, SQUARE, SQUARE, fill=False, ec="red", lw=1.5))
    axes.annotate("player", player + (3, -5), color="blue", weight="bold")
    axes.annotate("agent's start", start + (2, SQUARE + 12), color="red", weight="bold")
    axes.annotate(f"on the ray θ = {facts['locked angle']} by frame {facts['locked frame']}",
                  path[facts["locked frame"]], xytext=(10, 45), textcoords="offset points",
                  arrowprops=dict(arrowstyle="->"), backgroundcolor="white")
    axes.set(xlim=(left, right), ylim=(bottom, top), aspect="equal", xlabel="x (pixels)", ylabel="y (pixels, down)",
             title="boxpair: where the agent's step points around the still player,\n"
                   "and the path the agent takes from its start (a dot every 10 frames)")
    axes.legend(loc="lower left", fontsize=7.5, framealpha=0.95)
    low, high = plot_chase_end(end_axes, path, player, facts)
    axes.add_patch(plt.Rectangle(low, *(high - low), fill=False, ec="black", lw=1, ls="--"))
    axes.annotate("enlarged on the right", (high[0], low[1]), xytext=(4, -4), textcoords="offset points",
                  backgroundcolor="white", fontsize=8)
    save(figure, output)


def plot_chase_end(axes, path, player, facts):
    """The chase from the first overlap on, around the player's corner, enlarged."""
    end = path[facts["first overlap frame"]:]
    corners = np.vstack([end, [player], [player + SQUARE]])
    low, high = corners.min(axis=0) - 4, corners.max(axis=0) + 4
    axes.add_patch(plt.Rectangle(player, SQUARE, SQUARE, fill=True, fc="#dde3ff", ec="blue", lw=1.2,
                                 label="the player's square"))
    axes.plot(end[:, 0], end[:, 1], color="#1f3fff", lw=0.8, marker=".", ms=3, label="the agent's corner, frame by frame")
    axes.plot(*path[facts["leaves its ray frame"]], "s", color="black", ms=6,
              label=f"frame {facts['leaves its ray frame']}: it leaves its ray")
    jitter = path[facts["jitter from frame"]:facts["jitter from frame"] + 2]
    axes.plot(jitter[:, 0], jitter[:, 1], "o", color="#d62728", ms=7,
              label=f"from frame {facts['jitter from frame']} on: back and forth\nbetween these two points")
    axes.plot(*player, "P", color="blue", ms=9, label="the player's corner")
    axes.set(xlim=(low[0], high[0]), ylim=(high[1], low[1]), aspect="equal", xlabel="x (pixels)",
             ylabel="y (pixels, down)", title=f"How it ends, enlarged: the agent's corner\n"
                                              f"from frame {facts['first overlap frame']} on")
    axes.legend(loc="upper center", bbox_to_anchor=(0.5, -0.14), fontsize=7.5)
    return low, high


def plot_radians(path, truth, player, start, recentred, output):
    figure, axes = plt.subplots(figsize=(8, 6.4))
    axes.add_patch(plt.Rectangle((0, 0), *CHASE_WINDOW, fill=False, ec="black", lw=1))
    axes.plot(truth[:, 0], truth[:, 1], color="#999999", lw=1, label="boxpair's rule: the angle read as degrees")
    runs = np.split(path, recentred)
    styles = [dict(color="#d62728", lw=2.4), dict(color="#ff9f1c", lw=1.4), dict(color="#6a00a8", lw=0.8, ls="--")]
    assert len(runs) <= len(styles), "more re-centrings than the figure has styles for"
    for i, (run, style) in enumerate(zip(runs, styles)):
        first, last = (0, *recentred)[i], (*recentred, len(path))[i] - 1
        where = "from its start" if i == 0 else "from the centre"
        axes.plot(run[:, 0], run[:, 1], **style, label=f"the angle used as radians, frames {first} to {last}: "
                                                       f"straight away {where}")
    axes.plot(400, 300, "x", color="black", ms=8)
    axes.annotate(f"put back at the centre in frames {' and '.join(map(str, recentred))};\n"
                  "each time it runs off along the same line", (400, 300), xytext=(40, 400),
                  textcoords="data", arrowprops=dict(arrowstyle="->"))
    axes.add_patch(plt.Rectangle(player, SQUARE, SQUARE, fill=False, ec="blue", lw=1.2))
    axes.add_patch(plt.Rectangle(start, SQUARE, SQUARE, fill=False, ec="red", lw=1.2))
    axes.annotate("player", player + (3, -5), color="blue", weight="bold")
    axes.annotate("agent's start", start + (2, SQUARE + 12), color="red", weight="bold")
    axes.set(xlim=(-20, CHASE_WINDOW[0] + 20), ylim=(CHASE_WINDOW[1] + 20, -20), aspect="equal", xlabel="x (pixels)",
             ylabel="y (pixels, down)", title=f"The same start over {len(path) - 1} frames, in boxpair's 800 × 600 window")
    axes.legend(loc="lower left", fontsize=8, framealpha=0.9)
    save(figure, output)


def plot_distance(path, player, facts, output):
    distance = np.hypot(*(path - player).T)
    figure, axes = plt.subplots(figsize=(8, 4.6))
    axes.plot(np.arange(len(distance)), distance, color="black", lw=1)
    overlap = facts["first overlap frame"]
    axes.axvline(overlap, color="#d62728", lw=0.8, ls="--")
    axes.annotate(f"frame {overlap}: the squares first overlap, {facts['first overlap pixels']} pixels apart on "
                  "this ray", (overlap, 245), xytext=(6, 0), textcoords="offset points", color="#d62728")
    axes.axhline(TURN - 1, color="#2ca02c", lw=0.8, ls="-.")
    axes.annotate(f"{TURN - 1:.0f} pixels (180/π − 1): nearer than this, the rule no longer holds the agent on its ray",
                  (len(distance) - 1, TURN - 1), xytext=(-4, 3), textcoords="offset points", ha="right",
                  color="#2ca02c")
    axes.axhline(SQUARE, color="#7f7f7f", lw=0.8, ls=":")
    axes.annotate(f"{SQUARE} pixels, a square's side", (len(distance) - 1, SQUARE), xytext=(-4, -11),
                  textcoords="offset points", ha="right", color="#7f7f7f")
    axes.axhline(40, color="#1f77b4", lw=0.8, ls=":")
    axes.annotate(f"below 40 pixels from frame {facts['within 40 pixels from frame']} on",
                  (facts["within 40 pixels from frame"], 40), xytext=(150, 82), color="#1f77b4",
                  arrowprops=dict(arrowstyle="->", color="#1f77b4"))
    axes.annotate(f"the run-in, {facts['run-in pixels a frame']} pixels a frame", (50, distance[50]), xytext=(20, 15),
                  textcoords="offset points")
    leaves = facts["leaves its ray frame"]
    axes.annotate(f"frame {leaves}: it leaves its ray,\nthen stays {facts['tumble pixels']} pixels out",
                  (leaves, distance[leaves]), xytext=(230, 160), textcoords="data", arrowprops=dict(arrowstyle="->"))
    jitter = facts["jitter from frame"]
    axes.annotate(f"from frame {jitter}: back and forth between\ntwo points, {facts['jitter pixels']} pixels out",
                  (jitter, distance[jitter]), xytext=(330, 110), textcoords="data", arrowprops=dict(arrowstyle="->"))
    axes.set(xlim=(0, len(distance) - 1), ylim=(0, None), xlabel="frame", ylabel="pixels",
             title="boxpair: the distance between the squares' corners, frame by frame,\n"
                   "worked out from the steps it prints")
    save(figure, output)


# sparkfield, drawn off screen by the particle library at 60 frames a second

MOMENTS = (6, 15, 30, 60, 120, 300)  # frames
ANIMATION = range(3, 241, 3)  # four seconds, every third frame


def fountain_pictures(figure_data, scratch):
    wanted = sorted(set(MOMENTS) | set(ANIMATION) | {600})
    folder = os.path.join(scratch, "fountain")
    os.mkdir(folder)
    subprocess.run([sys.executable, virtual_display.__file__, "run", figure_data, "fountain", folder, *map(str, wanted)],
                   check=True, stderr=subprocess.DEVNULL)
    pictures = {}
    for frame in wanted:
        with open(os.path.join(folder, f"{frame}.rgba"), "rb") as raw:
            pictures[frame] = Image.frombytes("RGBA", FOUNTAIN_WINDOW, raw.read()).convert("RGB")
    return pictures


def moment_title(frame, first_lives):
    seconds = frame / 60
    count, nearest, farthest = first_lives[frame]
    if count == 1000:
        return f"frame {frame}, {seconds:.2g} s: a ring {nearest:.0f} to {farthest:.0f} pixels out"
    if count:
        return (f"frame {frame}, {seconds:.2g} s: {count} of 1000 still in their first life,\n"
                f"a dim ring {nearest:.0f} to {farthest:.0f} pixels out, around a fresh burst")
    return f"frame {frame}, {seconds:.2g} s: every point born again at least once, a cloud"


def plot_moments(pictures, first_lives, output):
    """Each moment at the size sparkfield draws it, one pixel a point, with no resampling."""
    gap, title = 16, 46
    width, height = FOUNTAIN_WINDOW
    columns, rows = 2, (len(MOMENTS) + 1) // 2
    size = (columns * width + (columns + 1) * gap, rows * (height + title) + (rows + 1) * gap + 30)
    figure = plt.figure(figsize=(size[0] / 100, size[1] / 100), facecolor="white")
    figure.text(0.5, 1 - 18 / size[1], "sparkfield's first frames, drawn by its particle system at 60 frames a second,"
                " at the size it draws them", ha="center", va="center", size=11)
    for i, frame in enumerate(MOMENTS):
        x = gap + (i % columns) * (width + gap)
        y = size[1] - (30 + gap + (i // columns + 1) * (height + title) + (i // columns) * gap)
        figure.figimage(np.asarray(pictures[frame]), xo=x, yo=y, origin="upper")
        figure.text((x + width / 2) / size[0], (y + height + 4) / size[1], moment_title(frame, first_lives),
                    ha="center", va="bottom", size=9.5)
    figure.savefig(output, metadata={"Software": None})
    plt.close(figure)


def particle_lives(figure_data):
    """Particles 0 to 4 through their first life: lines of (frame, x, y, alpha, remaining)."""
    data = numbers_of(lines_of(figure_data, "lives", "5", "300"))
    lives = []
    for particle in range(5):
        rows = data[data[:, 0] == particle][:, 1:]
        reborn = np.nonzero(np.diff(rows[:, 4]) > 0)[0]
        lives.append(rows[:reborn[0] + 2])  # to the frame it is born again
    return lives


LIFE_COLOURS = ("#1f77b4", "#ff7f0e", "#2ca02c", "#e377c2", "#17becf")


def plot_lives(lives, output):
    """Each particle in its own colour in both panels; on the left, as bright as it is drawn."""
    figure, (paths, fade) = plt.subplots(1, 2, figsize=(11, 4.6), gridspec_kw={"width_ratios": [1.5, 1]})
    paths.set_facecolor("black")
    lowest = max(FOUNTAIN_WINDOW[1], max(life[:, 2].max() for life in lives) + 10)
    paths.add_patch(plt.Rectangle((0, 0), *FOUNTAIN_WINDOW, fill=False, ec="#bfbfbf", lw=1, ls="--",
                                  label=f"sparkfield's window, {FOUNTAIN_WINDOW[0]} × {FOUNTAIN_WINDOW[1]}"))
    for number, (life, colour) in enumerate(zip(lives, LIFE_COLOURS)):
        alive = life[:-1]
        shades = np.zeros((len(alive), 4))
        shades[:, :3] = matplotlib.colors.to_rgb(colour)
        shades[:, 3] = alive[:, 3] / 255
        paths.scatter(alive[:, 1], alive[:, 2], c=shades, s=4)
        paths.plot(*alive[-1, 1:3], "x", color="white", ms=5)
        fade.plot(alive[0, 4] - alive[:, 4], alive[:, 3], ".", ms=2, color=colour,
                  label=f"particle {number}: lives {alive[0, 4]:.2f} s")
    paths.plot([], [], "x", color="white", label="lifetime used up: born again at the centre")
    paths.plot(300, 200, "+", color="white", ms=8)
    paths.legend(loc="upper right", fontsize=8, facecolor="#333333", labelcolor="white")
    paths.set(xlim=(0, FOUNTAIN_WINDOW[0]), ylim=(lowest, 0), aspect="equal", xlabel="x (pixels)",
              ylabel="y (pixels, down)", title="Five particles from birth to rebirth, as bright as they are drawn")
    fade.set(xlabel="seconds since birth", ylabel="alpha", xlim=(0, 4), ylim=(-5, 265),
             title="Alpha: opaque until 3 seconds of life remain,\nthen fading in a straight line to nothing")
    fade.legend(loc="upper right", fontsize=8, markerscale=5)
    save(figure, output)


def first_lives(figure_data):
    """For each frame of the first five seconds: how many points are still in their first life,
    and the nearest and farthest of them from the centre."""
    rows = numbers_of(lines_of(figure_data, "first-lives", *map(str, range(1, MOMENTS[-1] + 1))))
    return {int(frame): (int(count), nearest, farthest) for frame, count, nearest, farthest in rows}


def fountain_facts(lives, first_life, figure_data):
    rows = np.vstack([life[:-1] for life in lives])
    counts = {frame: count for frame, (count, _, _) in first_life.items()}
    count, nearest, farthest = first_life[120]
    return {"opaque above seconds": f"{rows[rows[:, 3] < 255][:, 4].max():.0f}",
            "largest bend pixels": f"{float(lines_of(figure_data, 'largest-bend', '1200')[0]):.0f}",
            "first rebirths in frame": min(frame for frame in counts if counts[frame] < 1000),
            "first life at 2 s": f"{count} of 1000", "first-life ring at 2 s, pixels": f"{nearest:.0f} to {farthest:.0f}",
            "all born again by frame": min(frame for frame in counts if counts[frame] == 0)}


# Output


def save(figure, output):
    figure.tight_layout()
    figure.savefig(output, metadata={"Software": None})
    plt.close(figure)


def save_animation(frames, output, duration, hold=1500):
    durations = [duration] * (len(frames) - 1) + [hold]
    frames[0].save(output, save_all=True, append_images=frames[1:], duration=durations, loop=0, optimize=True)


def made_with():
    mesa = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", "libgl1-mesa-dri"], capture_output=True, text=True)
    return (f"matplotlib {matplotlib.__version__}\nFreeType {ft2font.__freetype_version__}\nPillow {PIL.__version__}\n"
            f"zlib {zlib.ZLIB_RUNTIME_VERSION}\nnumpy {np.__version__}\nMesa {mesa.stdout.strip() or 'unknown'}\n")


def check_page(numbers):
    with open(PAGE) as page:
        text = page.read()
    missing = [f"{name}: {value}" for name, value in numbers.items() if str(value) not in text]
    if missing:
        sys.exit(f"{PAGE} does not state what the programs now do: " + "; ".join(missing))


def make(folder, boxpair, figure_data, grabber):
    with tempfile.TemporaryDirectory() as scratch:
        lines, frames = run_boxpair(boxpair, grabber, scratch)
        steps = numbers_of(lines).astype(np.float32)
        player, start = starting_corners(frames[0], steps[0])
        expected = lines_of(figure_data, "chase", *map(str, (*player, *start)), str(len(lines)))
        if lines != expected:
            sys.exit(f"boxpair's lines are not those of its rule from the corners {player} and {start}")
        path = np.add.accumulate(np.vstack([start, steps]).astype(np.float32), dtype=np.float32).astype(float)
        facts = chase_facts(path, player)
        pictures = fountain_pictures(figure_data, scratch)

    left, top = np.floor((np.minimum(path.min(axis=0), player) - 70 - player) / 16) * 16 + player
    right, bottom = np.ceil((np.maximum(path.max(axis=0), player) + 90 - player) / 16) * 16 + player
    field = numbers_of(lines_of(figure_data, "step-field", *map(str, (*player, left, top, right, bottom, 1))))
    arrows = numbers_of(lines_of(figure_data, "step-field", *map(str, (*player, left, top, right, bottom, 24))))
    radians = np.vstack([start, numbers_of(lines_of(figure_data, "chase-in-radians", *map(str, (*player, *start)),
                                                     str(FRAMES_PRINTED)))])
    recentred = [int(frame) for frame in np.nonzero(np.all(radians == (400, 300), axis=1))[0]]
    facts["radians re-centred in frames"] = " and ".join(map(str, recentred))
    lives = particle_lives(figure_data)
    moments = first_lives(figure_data)
    # At θ = ±π the angle jumps by 2π, and φ by 2π·180/π = 360: so many whole turns, and a rest.
    seam_turns, seam_rest = divmod(2 * math.pi * TURN, 2 * math.pi)
    numbers = {"turn": f"{TURN:.1f}", "toward rays": len(rays("toward")), "away rays": len(rays("away")),
               "seam": f"{seam_turns:.0f} whole turns of the step and {math.degrees(seam_rest):.0f} degrees",
               "lock distance pixels": f"{TURN - 1:.0f}",
               **facts, **fountain_facts(lives, moments, figure_data)}

    plot_chase(path, player, start, field, arrows, facts,
               os.path.join(folder, "chase-path.png"))
    plot_radians(radians, path, player, start, recentred, os.path.join(folder, "chase-in-radians.png"))
    plot_distance(path, player, facts, os.path.join(folder, "chase-distance.png"))
    save_animation(frames, os.path.join(folder, "boxpair.gif"), 1000 * SHOW_EVERY // 60)
    plot_moments(pictures, moments, os.path.join(folder, "sparkfield-moments.png"))
    save_animation([pictures[frame] for frame in ANIMATION], os.path.join(folder, "sparkfield.gif"), 50)
    pictures[600].save(os.path.join(folder, "sparkfield.png"), optimize=True)
    plot_lives(lives, os.path.join(folder, "particle-lives.png"))
    with open(os.path.join(folder, "numbers.txt"), "w") as out:
        out.writelines(f"{name}: {value}\n" for name, value in numbers.items())
    with open(os.path.join(folder, "made-with.txt"), "w") as out:
        out.write(made_with())
    check_page(numbers)


def check(folder, *programs):
    with open(os.path.join(folder, "made-with.txt")) as recorded:
        drawn_with = recorded.read()
    if drawn_with != made_with():
        print(f"skipped: the figures in {folder} were drawn with\n{drawn_with}and this machine has\n{made_with()}"
              "so their bytes cannot be compared")
        return 77
    with tempfile.TemporaryDirectory() as fresh:
        make(fresh, *programs)
        made = sorted(os.listdir(fresh))
        _, differing, missing = filecmp.cmpfiles(folder, fresh, made, shallow=False)
        stale = sorted(set(os.listdir(folder)) - set(made))
    for name in differing + missing:
        print(f"{os.path.join(folder, name)} is not what the code makes now")
    for name in stale:
        print(f"{os.path.join(folder, name)} is made by nothing")
    if differing or missing or stale:
        print("Run scripts/figures.sh, look at what changed and commit it.")
        return 1
    print(f"the {len(made)} figures in {folder} are what the code makes")
    return 0


if __name__ == "__main__":
    checking = sys.argv[1:2] == ["--check"]
    arguments = sys.argv[1 + checking:]
    if len(arguments) != 4:
        sys.exit(__doc__)
    sys.exit(check(*arguments) if checking else make(*arguments))
