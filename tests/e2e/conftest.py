"""The end-to-end tests' fixtures and pytest's hooks; the harness itself is in harness/.

A test names the places it holds in with @pytest.mark.places(...); it runs in each of them that --place
selects (all, when none is given), once for each program unless it takes a single one. Run by hand
after `cmake --workflow --preset release`, the tests take the programs that preset built."""
import os
import subprocess

import pytest

from harness.places import KINDS, NAMES, WINE_SETTINGS
from harness.programs import PROGRAMS
from harness.runs import Run


def pytest_addoption(parser):
    parser.addoption("--place", action="append", choices=NAMES, help="run only in these places")


def pytest_generate_tests(metafunc):
    if "place" in metafunc.fixturenames:
        declared = metafunc.definition.get_closest_marker("places")
        chosen = metafunc.config.getoption("place") or NAMES
        metafunc.parametrize("place", [p for p in (declared.args if declared else NAMES) if p in chosen],
                             indirect=True)
    named = {name for mark in metafunc.definition.iter_markers("parametrize") for name in mark.args[0].split(",")}
    if "program" in metafunc.fixturenames and "program" not in named:
        metafunc.parametrize("program", PROGRAMS, ids=[p.name for p in PROGRAMS])


def pytest_collection_modifyitems(config, items):
    """A test that holds in none of the chosen places is not one of this run's."""
    outside = [item for item in items if "place" in getattr(item, "fixturenames", ())
               and not isinstance(item.callspec.params.get("place"), str)]
    if outside:
        config.hook.pytest_deselected(items=outside)
        items[:] = [item for item in items if item not in outside]


@pytest.fixture(scope="session", autouse=True)
def wine_prefix(tmp_path_factory, request):
    """Made before the first test, as making it takes longer than a program's start may."""
    if "wine" not in (request.config.getoption("place") or ()) or not os.environ.get("WINDOWS_PROGRAMS"):
        yield
        return
    prefix = tmp_path_factory.mktemp("wine-prefix")
    settings = {**os.environ, **WINE_SETTINGS, "WINEPREFIX": str(prefix), "DISPLAY": ""}
    subprocess.run(["wine", "wineboot", "--init"], env=settings, timeout=180, capture_output=True)
    subprocess.run(["wineserver", "--wait"], env=settings, timeout=60)
    os.environ["WINEPREFIX"] = str(prefix)
    yield
    # Ends this prefix's server and whatever still runs in it, and nothing else.
    subprocess.run(["wineserver", "--kill"], env=settings, timeout=30)


@pytest.fixture
def place(request, tmp_path):
    here = KINDS[request.param](tmp_path)
    yield here
    here.close()


@pytest.fixture
def start(place):
    """start(program, arguments, environment): a Run of the program in the test's place."""
    runs = []

    def run(program, arguments=(), environment=None):
        runs.append(Run(place, program, arguments, environment))
        return runs[-1]
    yield run
    for each in runs:
        each.stop()


@pytest.fixture
def run(start, program):
    return start(program)
