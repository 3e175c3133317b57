"""boxpair's chase, worked out here in binary32 steps, apart from the program's code."""
import math
import struct

PLAYER_START, AGENT_START, WINDOW = (120.0, 60.0), (340.0, 200.0), (800, 600)
# What the arrow keys can do to the player in one frame: 5 pixels, or none, along each axis.
KEY_MOVES = [(dx, dy) for dx in (-5.0, 0.0, 5.0) for dy in (-5.0, 0.0, 5.0)]


def f32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def step(player, agent):
    """The agent's step: the angle from the player to it, turned into degrees, read as radians."""
    theta = f32(math.atan2(f32(agent[1] - player[1]), f32(agent[0] - player[0])))
    phi = f32(f32(theta * 180) / (4 * math.atan(1)))
    return f32(2 * f32(math.cos(phi))), f32(2 * f32(math.sin(phi)))


def line(move):
    return "%g %g" % move


def moved(agent, move):
    """The agent after its step, put back at the window's centre if its corner has left it."""
    agent = (f32(agent[0] + move[0]), f32(agent[1] + move[1]))
    inside = 0 <= agent[0] <= WINDOW[0] and 0 <= agent[1] <= WINDOW[1]
    return agent if inside else (WINDOW[0] // 2 * 1.0, WINDOW[1] // 2 * 1.0)


def untouched_chase(count):
    """boxpair's lines, and where its agent stands after each, with no key touched."""
    agent, lines, positions = AGENT_START, [], []
    for _ in range(count):
        move = step(PLAYER_START, agent)
        lines.append(line(move))
        agent = moved(agent, move)
        positions.append(agent)
    return lines, positions


def player_positions(lines):
    """Where the player can stand after boxpair printed these lines, whatever keys were held:
    in each frame the keys move the player first, then the agent steps from both corners and its
    line is printed. Fails naming the first line that no keys explain."""
    states = {(PLAYER_START, AGENT_START)}
    for number, printed in enumerate(lines, 1):
        following = set()
        for player, agent in states:
            for dx, dy in KEY_MOVES:
                keyed = (player[0] + dx, player[1] + dy)
                move = step(keyed, agent)
                if line(move) == printed:
                    following.add((keyed, moved(agent, move)))
        assert following, f"line {number}, {printed!r}, is no step of the agent's rule for any keys held in its frame"
        states = following
    return {player for player, _ in states}
