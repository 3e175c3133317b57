"""boxpair's chase, worked out here in binary32 steps, apart from the program's code."""
import math
import struct


def f32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def step(player, agent):
    """The agent's step: the angle from the player to it, turned into degrees, read as radians."""
    theta = f32(math.atan2(f32(agent[1] - player[1]), f32(agent[0] - player[0])))
    phi = f32(f32(theta * 180) / (4 * math.atan(1)))
    return f32(2 * f32(math.cos(phi))), f32(2 * f32(math.sin(phi)))


def line(move):
    return "%g %g" % move


def untouched_chase(count):
    """boxpair's lines, and where its agent stands after each, with no key touched."""
    player, agent, lines, positions = (120.0, 60.0), (340.0, 200.0), [], []
    for _ in range(count):
        move = step(player, agent)
        lines.append(line(move))
        agent = (f32(agent[0] + move[0]), f32(agent[1] + move[1]))
        agent = agent if 0 <= agent[0] <= 800 and 0 <= agent[1] <= 600 else (400.0, 300.0)
        positions.append(agent)
    return lines, positions
