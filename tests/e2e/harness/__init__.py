"""The end-to-end harness, one module a concern (docs/testing.md lists them). Helpers whose
names begin with assert_ fail the test; the others answer."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "scripts", "lib"))
from virtual_display import until  # noqa: E402,F401  (the tests' one way to wait)
