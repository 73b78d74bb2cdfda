"""Results: bit for bit those of the C API and of `quenby apply`, whatever
the table's layout; titles; calls from several threads."""

import ctypes
import subprocess
import threading

import numpy as np
import pytest
from conftest import bits, read_csv, tool

CASES = [("Arrival", "Back Prop"), ("Arrival", "GRNN"), ("SourceZone", "Back Prop"),
         ("Spring", "Back Prop"), ("Spring", "GRNN"), ("Well", "Back Prop")]


class Table(ctypes.Structure):
    _fields_ = [("data", ctypes.POINTER(ctypes.c_double)), ("row_lower", ctypes.c_int32),
                ("row_upper", ctypes.c_int32), ("col_lower", ctypes.c_int32), ("col_upper", ctypes.c_int32)]


def c_api_apply(library, project, method, cases):
    """The reference: ApplyNNet called directly, with the row 0 and column 0
    the driver's tables have (ignored by the engine)."""
    lib = ctypes.CDLL(library)
    full = np.full((cases.shape[0] + 1, cases.shape[1] + 1), -7.5)
    full[1:, 1:] = cases
    table = Table(full.ctypes.data_as(ctypes.POINTER(ctypes.c_double)), 0, cases.shape[0], 0, cases.shape[1])
    out = Table()
    assert lib.ApplyNNet(method.encode(), str(project).encode(), ctypes.byref(table), ctypes.byref(out)) == 0
    width = out.col_upper - out.col_lower + 1
    values = np.array([out.data[i] for i in range((out.row_upper - out.row_lower + 1) * width)]).reshape(-1, width)
    values = values[1 - out.row_lower:, 1 - out.col_lower:]
    lib.QuenbyFreeTable(ctypes.byref(out))
    return values


def cases_for(sample, name, tmp_path):
    """The generator's check cases and 200 more around them, some far outside
    the training ranges; also written as CSV for `quenby apply`."""
    header, checks = read_csv(sample / "checks" / f"{name}.inputs.csv")
    rng = np.random.default_rng(15)
    picked = checks[rng.integers(0, len(checks), 200)]
    spread = picked * (1 + rng.normal(0, 0.3, picked.shape))
    spread[::10] *= 10
    cases = np.vstack([checks, spread])
    path = tmp_path / f"{name}.cases.csv"
    path.write_text(",".join(header) + "\n" + "".join(",".join(repr(v) for v in row) + "\n" for row in cases))
    return cases, path


@pytest.mark.parametrize("name,method", CASES)
def test_results_equal_c_api_and_quenby_apply(engine, sample, tmp_path, name, method):
    project = sample / "projects" / name
    cases, csv_path = cases_for(sample, name, tmp_path)
    result = engine.apply(project, cases, method)

    assert result.dtype == np.float64 and result.flags.owndata and result.flags.writeable
    assert np.array_equal(bits(result), bits(c_api_apply(engine.library, project, method, cases)))
    out = tmp_path / "results.csv"
    subprocess.run([tool("QUENBY_CLI", "quenby"), "apply", "--method", method, str(project), str(csv_path),
                    str(out)], check=True)
    outputs, expected = read_csv(out)
    assert result.shape == (len(cases), len(outputs))
    assert np.array_equal(bits(result), bits(expected))


def test_any_layout_gives_the_same_results(engine, sample, tmp_path):
    project = sample / "projects" / "Arrival"
    cases, _ = cases_for(sample, "Arrival", tmp_path)
    want = bits(engine.apply(project, cases))
    ignored = np.full((len(cases), 2), np.nan)  # columns past the network's are not read
    for layout in (np.asfortranarray(cases), cases.tolist(), cases[:, ::-1][:, ::-1], np.hstack([cases, ignored]),
                   np.hstack([cases, ignored]).T.copy().T):
        assert np.array_equal(bits(engine.apply(project, layout)), want)
    assert engine.apply(project, cases[:0]).shape == (0, 1)


def test_titles_are_the_columns_apply_takes(engine, sample, tmp_path, project_copy):
    for name in ("Arrival", "SourceZone", "Spring", "Well"):
        header, _ = read_csv(sample / "checks" / f"{name}.inputs.csv")
        assert engine.titles(sample / "projects" / name) == header
    # An 8-bit title from a Windows project file.
    project = project_copy("Well")
    dat = project.with_suffix(".dat")
    dat.write_bytes(dat.read_bytes().replace(b"Distance to well (m)", b"Pumping (m\xb3/d)", 1))
    engine.compile(project)
    assert engine.titles(project)[0] == "Pumping (m\u00b3/d)"


def test_threads_take_turns(engine, sample, tmp_path):
    jobs = [(sample / "projects" / name, cases_for(sample, name, tmp_path)[0], method) for name, method in CASES]
    want = [bits(engine.apply(*job)) for job in jobs]
    failures = []

    def work(offset):
        for n in range(12):
            i = (n + offset) % len(jobs)
            if not np.array_equal(bits(engine.apply(*jobs[i])), want[i]):
                failures.append(i)

    threads = [threading.Thread(target=work, args=(t,)) for t in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert failures == []
