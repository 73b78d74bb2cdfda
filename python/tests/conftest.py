"""The engine QUENBY_LIBRARY names; sample-generator and quenby from its
folder (or QUENBY_SAMPLE_GENERATOR, QUENBY_CLI); the sample networks written
into a temporary folder once per run."""

import csv
import os
import shutil
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

PYTHON_DIR = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(PYTHON_DIR))  # this checkout's package, not an installed one

import quenby  # noqa: E402


def library():
    if not os.environ.get("QUENBY_LIBRARY"):
        pytest.fail("set QUENBY_LIBRARY to the built engine (build/bin/libQuenby.so)")
    return os.environ["QUENBY_LIBRARY"]


def tool(variable, name):
    return os.environ.get(variable) or str(Path(library()).parent / name)


def read_csv(path):
    """Header and values; float() reads the tools' shortest forms exactly."""
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    return rows[0], np.array([[float(v) for v in row] for row in rows[1:]]).reshape(-1, len(rows[0]))


def bits(a):
    return np.ascontiguousarray(a, dtype=np.float64).view(np.uint64)


@pytest.fixture(scope="session")
def engine():
    return quenby.Engine(library())


@pytest.fixture(scope="session")
def sample(tmp_path_factory):
    folder = tmp_path_factory.mktemp("sample")
    subprocess.run([tool("QUENBY_SAMPLE_GENERATOR", "sample-generator"), str(folder)], check=True,
                   stdout=subprocess.DEVNULL)
    return folder


@pytest.fixture
def project_copy(sample, tmp_path):
    """copy(name, engine=None): a sample project's training files in a folder
    of their own, compiled by engine when given, for tests that damage them."""
    def copy(name, engine=None):
        for f in (sample / "projects").glob(name + ".*"):
            if f.suffix not in (".DLLFile", ".MyTitles"):
                shutil.copy(f, tmp_path / f.name)
        if engine is not None:
            engine.compile(tmp_path / name)
        return tmp_path / name
    return copy
