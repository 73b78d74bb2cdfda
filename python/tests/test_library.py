"""Finding the engine; the package installed with pip, offline; the package
from a checkout with PYTHONPATH, against `quenby apply`."""

import os
import shutil
import subprocess
import sys

import pytest
from conftest import PYTHON_DIR, bits, read_csv, tool

import quenby


def run_python(code, cwd, python=sys.executable, **env):
    environment = {k: v for k, v in os.environ.items() if k not in ("QUENBY_LIBRARY", "PYTHONPATH")}
    environment.update(env)
    return subprocess.run([python, "-c", code], cwd=cwd, env=environment, capture_output=True, text=True,
                          timeout=120)


def test_a_library_that_cannot_be_loaded_is_named(tmp_path, monkeypatch):
    with pytest.raises(quenby.LibraryNotFoundError, match="the library given, /no/libQuenby.so"):
        quenby.Engine("/no/libQuenby.so")
    monkeypatch.setenv("QUENBY_LIBRARY", "/no/libQuenby.so")
    with pytest.raises(quenby.LibraryNotFoundError, match="QUENBY_LIBRARY=/no/libQuenby.so"):
        quenby.Engine()
    if sys.platform.startswith("linux"):
        with pytest.raises(quenby.LibraryNotFoundError, match="does not export ApplyNNet"):
            quenby.Engine("libc.so.6")
    # Outside a checkout, with nothing named: every place looked at.
    shutil.copytree(PYTHON_DIR / "quenby", tmp_path / "quenby")
    run = run_python("import quenby; quenby.Engine()", tmp_path, PYTHONPATH=str(tmp_path))
    assert "LibraryNotFoundError" in run.stderr
    for place in ("beside the package", "the library search path", "set QUENBY_LIBRARY"):
        assert place in run.stderr


def test_pip_installs_offline_and_the_package_finds_a_library_beside_it(engine, sample, tmp_path):
    try:
        import pip  # noqa: F401
    except ImportError:
        pytest.skip("pip is not installed (python3-pip)")
    source = tmp_path / "source"  # pip builds in the tree it is given: not in the checkout
    shutil.copytree(PYTHON_DIR, source, ignore=shutil.ignore_patterns("tests", "build", "*.egg-info"))
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--without-pip", "--system-site-packages", str(venv)], check=True)
    python = str(venv / ("Scripts/python.exe" if sys.platform == "win32" else "bin/python"))
    subprocess.run([python, "-m", "pip", "install", "-q", "--no-build-isolation", "--no-index", str(source)],
                   check=True, timeout=300)
    location = run_python("import quenby, os; print(os.path.dirname(quenby.__file__))", tmp_path, python)
    installed = location.stdout.strip()
    assert installed.startswith(str(venv)), location.stderr
    shutil.copy(engine.library, installed)
    run = run_python(f"import quenby; print(quenby.Engine().titles({str(sample / 'projects' / 'Well')!r})[0])",
                     tmp_path, python)
    assert run.stdout == "Distance to well (m)\n", run.stderr


def test_from_the_checkout_with_pythonpath(engine, sample, tmp_path):
    project = sample / "projects" / "Spring"
    inputs = sample / "checks" / "Spring.inputs.csv"
    code = ("import sys, numpy, quenby; "
            f"x = numpy.loadtxt({str(inputs)!r}, delimiter=',', skiprows=1, ndmin=2); "
            f"r = quenby.Engine().apply({str(project)!r}, x); "
            "sys.stdout.write(','.join(repr(v) for v in r.ravel()))")
    run = run_python(code, PYTHON_DIR.parent, PYTHONPATH="python", QUENBY_LIBRARY=engine.library)
    assert run.returncode == 0, run.stderr
    out = tmp_path / "spring.csv"
    subprocess.run([tool("QUENBY_CLI", "quenby"), "apply", str(project), str(inputs), str(out)], check=True)
    got = [float(v) for v in run.stdout.split(",")]
    assert bits(got).tolist() == bits(read_csv(out)[1].ravel()).tolist()
