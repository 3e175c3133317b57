"""The end-to-end harness, one module a concern:

- programs: the table of the two programs, the form of boxpair's lines, and where the programs
  under test are;
- places: where a program runs (a bare X server, Openbox, Weston with XWayland, the installed
  package, Wine) and what a desktop sends it;
- runs: one run of a program in a place, with its window found, its output and its ending;
- pictures: how a window's picture is judged;
- chase: boxpair's untouched chase, worked out apart from the program's code.

Helpers whose names begin with assert_ fail the test; the others answer."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "scripts", "lib"))
from virtual_display import until  # noqa: E402,F401  (the tests' one way to wait)
