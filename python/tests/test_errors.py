"""Every status code of the engine raised as QuenbyError; arguments refused
before the engine is called."""

import os
import subprocess
import sys

import numpy as np
import pytest
from conftest import PYTHON_DIR, read_csv

import quenby


def edited(path, old, new):
    path.write_bytes(path.read_bytes().replace(old, new, 1))


def truncated(path):
    path.write_bytes(b"\r\n".join(path.read_bytes().split(b"\r\n")[:150]))


# status: (project to copy, compiled first?, damage, call)
STATUSES = {
    quenby.FILE_NOT_FOUND: ("Well", True, None, lambda e, p, x: e.apply(p.parent / "missing", x)),
    quenby.END_OF_FILE: ("Well", True, lambda p: truncated(p.with_suffix(".DLLFile")), None),
    quenby.TYPE_MISMATCH: ("Well", True, lambda p: edited(p.with_suffix(".DLLFile"), b" 49  47", b" x  47"), None),
    quenby.OVERFLOW: ("Well", True, lambda p: edited(p.with_suffix(".DLLFile"), b" 49  47", b" 40000  47"), None),
    quenby.SUBSCRIPT: ("Well", True, None, lambda e, p, x: e.apply(p, x[:, :10])),
    quenby.FLOATING_POINT: ("Arrival", True, None, lambda e, p, x: e.apply(p, np.full((2, 40), np.inf), "GRNN")),
    quenby.FILE_ERROR: ("Well", True, lambda p: p.with_suffix(".MyTitles").mkdir(), lambda e, p, x: e.titles(p)),
    quenby.INVALID_ARGUMENT: ("Well", False, lambda p: edited(p.with_suffix(".dat"), b"Distance to", b"Distance\rto"),
                              lambda e, p, x: e.compile(p)),
}


@pytest.mark.parametrize("status", sorted(STATUSES), ids=lambda s: quenby.STATUS_NAMES[s])
def test_every_failure_raises_its_status(engine, sample, project_copy, status):
    name, compiled, damage, call = STATUSES[status]
    project = project_copy(name, engine if compiled else None)
    if damage:
        damage(project)
    _, cases = read_csv(sample / "checks" / "Well.inputs.csv")
    with pytest.raises(quenby.QuenbyError) as caught:
        (call or (lambda e, p, x: e.apply(p, x)))(engine, project, cases)
    assert caught.value.status == status and type(caught.value) is quenby.QuenbyError
    assert caught.value.message.startswith(quenby.STATUS_NAMES[status] + ": ")


def test_out_of_memory_raises_its_status(sample):
    # The engine's working copies of a table find no room in a small address
    # space, in a process of its own.
    if not sys.platform.startswith("linux"):
        pytest.skip("needs RLIMIT_AS and /proc")
    script = """if 1:
        import resource, sys, numpy as np, quenby
        engine, project, cases = quenby.Engine(), sys.argv[1], np.ones((300_000, 47))
        engine.titles(project)
        size = int(next(l for l in open("/proc/self/status") if l.startswith("VmSize")).split()[1]) * 1024
        resource.setrlimit(resource.RLIMIT_AS, (size + (24 << 20), resource.RLIM_INFINITY))
        try:
            engine.apply(project, cases)
        except quenby.QuenbyError as e:
            print(e.status, e.message)
    """
    run = subprocess.run([sys.executable, "-c", script, str(sample / "projects" / "Well")], capture_output=True,
                         text=True, timeout=120, env=dict(os.environ, PYTHONPATH=str(PYTHON_DIR)))
    assert run.stdout.startswith(f"{quenby.OUT_OF_MEMORY} out of memory: "), run.stdout + run.stderr


@pytest.mark.parametrize("inputs,method,status", [
    (np.zeros(47), "Back Prop", quenby.SUBSCRIPT),
    (np.zeros((2, 47, 1)), "Back Prop", quenby.SUBSCRIPT),
    ([[1.0, 2.0], [3.0]], "Back Prop", quenby.INVALID_ARGUMENT),
    ([["a", "b"]], "Back Prop", quenby.INVALID_ARGUMENT),
    (np.zeros((2, 47), dtype=complex), "Back Prop", quenby.INVALID_ARGUMENT),
    (np.zeros((2, 47)), "back prop", quenby.INVALID_ARGUMENT),
])
def test_bad_arguments_never_reach_the_engine(engine, inputs, method, status):
    # The engine, called, would not find the project.
    with pytest.raises(quenby.QuenbyArgumentError) as caught:
        engine.apply("no/such/project", inputs, method)
    assert caught.value.status == status and isinstance(caught.value, ValueError)


def test_nan_refused_only_where_the_network_reads(engine, sample):
    project = sample / "projects" / "Well"
    _, cases = read_csv(sample / "checks" / "Well.inputs.csv")
    wider = np.hstack([cases, np.full((len(cases), 1), np.nan)])
    assert np.array_equal(engine.apply(project, wider), engine.apply(project, cases))
    wider[3, 5] = np.nan
    with pytest.raises(quenby.QuenbyArgumentError, match=r"inputs\[3, 5\] \(case 4, column 6 \"Mean water table"):
        engine.apply(project, wider)
    with pytest.raises(quenby.QuenbyArgumentError, match="NUL"):
        engine.apply(str(project) + "\0x", cases)


def test_a_network_the_project_lacks_is_refused(engine, sample):
    # The engine would keep the general regression network of the project
    # loaded before and answer with it.
    _, spring = read_csv(sample / "checks" / "Spring.inputs.csv")
    _, well = read_csv(sample / "checks" / "Well.inputs.csv")
    engine.apply(sample / "projects" / "Spring", spring, "GRNN")
    with pytest.raises(quenby.QuenbyError, match="no general regression network") as caught:
        engine.apply(sample / "projects" / "Well", well, "GRNN")
    assert caught.value.status == quenby.SUBSCRIPT
