"""boxpair's chase with no key touched, worked out here in binary32 steps, apart from the
program's code."""
import math
import struct


def untouched_chase(count):
    """boxpair's lines, and where its agent stands after each, with no key touched: worked out
    here in binary32 steps, apart from the program's code."""
    f32 = lambda value: struct.unpack("f", struct.pack("f", value))[0]  # noqa: E731
    player, agent, lines, positions = (120.0, 60.0), (340.0, 200.0), [], []
    for _ in range(count):
        theta = f32(math.atan2(f32(agent[1] - player[1]), f32(agent[0] - player[0])))
        phi = f32(f32(theta * 180) / (4 * math.atan(1)))
        step = (f32(2 * f32(math.cos(phi))), f32(2 * f32(math.sin(phi))))
        lines.append("%g %g" % step)
        agent = (f32(agent[0] + step[0]), f32(agent[1] + step[1]))
        agent = agent if 0 <= agent[0] <= 800 and 0 <= agent[1] <= 600 else (400.0, 300.0)
        positions.append(agent)
    return lines, positions
