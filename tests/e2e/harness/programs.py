"""The table of the two programs, the form of boxpair's lines, and where the programs under test
are."""
import os
import re
from dataclasses import dataclass
from typing import Optional

import pytest

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
# Where the release preset builds, which a run by hand tests unless told otherwise.
RELEASE_BUILD = os.path.join(ROOT, "build", "release")


@dataclass(frozen=True)
class Program:
    name: str
    title: str
    size: tuple
    picture: str  # "fountain": grey-white points on black around the centre; "squares": blue, and red over it
    prints_steps: bool  # the agent's step, one line a frame
    ending_key: Optional[str]  # beside a close request, which ends either


PROGRAMS = [Program("sparkfield", "Particles", (600, 400), "fountain", False, None),
            Program("boxpair", "Chase AI", (800, 600), "squares", True, "Escape")]
SPARKFIELD, BOXPAIR = PROGRAMS

# Two numbers as the output stream writes floats by default ("-1.19692", "2", "1.5e-05").
NUMBER = r"-?\d+(?:\.\d*[1-9])?(?:e[-+]\d+)?"
STEP_LINE = re.compile(f"^{NUMBER} {NUMBER}$")



def built(program):
    """The program just built: where ${NAME}_BUILT says (CTest sets it), else the release
    preset's build; ends the session, saying what to build, when it is not there."""
    path = os.environ.get(f"{program.name.upper()}_BUILT") or os.path.join(RELEASE_BUILD, program.name, program.name)
    if not os.access(path, os.X_OK):
        pytest.exit(f"{path} is not built: run `cmake --workflow --preset release` first, or name the programs "
                    f"in SPARKFIELD_BUILT and BOXPAIR_BUILT", returncode=4)
    return path


def frame_counter():
    """The library that counts the frames a program shows, where one is built; else None."""
    path = os.environ.get("SWAP_COUNTER") or os.path.join(RELEASE_BUILD, "tests", "libswap_counter.so")
    return path if os.path.exists(path) else None
