"""The engine's C API as a Python class over numpy tables."""

import ctypes
import mmap
import os
import sys
import threading

import numpy as np

from . import errors
from ._library import QuenbyTable, load_library
from .errors import QuenbyArgumentError, QuenbyError

METHODS = ("Back Prop", "GRNN")

# The engine keeps one network per process in module-wide state and is not
# re-entrant, so every call into it, from any Engine object, holds this lock
# (Engine objects loading the same file share that state). The engine runs
# without the interpreter lock: other Python threads go on meanwhile.
_ENGINE_LOCK = threading.Lock()

_INT32_MAX = 2**31 - 1


def _text(raw):
    """Text from the engine's 8-bit files and messages: UTF-8 where the bytes
    are UTF-8, else the Windows code page most project files come from."""
    for encoding in ("utf-8", "cp1252"):
        try:
            return raw.decode(encoding)
        except UnicodeDecodeError:
            pass
    return raw.decode("latin-1")


def _project_path(project, call):
    """The project path as the engine takes it: bytes in the system's 8-bit
    code page (the file system's encoding on POSIX)."""
    if not isinstance(project, (str, bytes, os.PathLike)):
        raise TypeError(f"{call}: the project must be a path (str or os.PathLike), not {type(project).__name__}")
    path = os.fspath(project)
    if isinstance(path, bytes):
        raw = path
    elif sys.platform == "win32":
        try:
            raw = path.encode("mbcs", "strict")
        except UnicodeEncodeError:
            raise QuenbyArgumentError(errors.INVALID_ARGUMENT,
                                      f"the project path {path!r} cannot be written in the system code page",
                                      call) from None
    else:
        raw = os.fsencode(path)
    # A C string ends at the first NUL: the engine would read another path.
    if b"\0" in raw:
        raise QuenbyArgumentError(errors.INVALID_ARGUMENT, f"the project path {path!r} holds a NUL character", call)
    return path, raw


def _as_table(inputs, call):
    """inputs as one C-ordered float64 table, converted at most once."""
    if isinstance(inputs, np.ndarray) and inputs.dtype.kind == "c":
        raise QuenbyArgumentError(errors.INVALID_ARGUMENT, "the inputs are complex numbers", call)
    try:
        table = np.asarray(inputs, dtype=np.float64, order="C")
    except (TypeError, ValueError) as e:
        raise QuenbyArgumentError(errors.INVALID_ARGUMENT,
                                  f"the inputs cannot be read as a table of numbers ({e})", call) from None
    if table.ndim != 2:
        raise QuenbyArgumentError(
            errors.SUBSCRIPT,
            f"the inputs must be a two-dimensional table, one row per case and one column per input; "
            f"found {table.ndim} dimension{'' if table.ndim == 1 else 's'}, shape {table.shape}", call)
    rows, cols = table.shape
    if rows > _INT32_MAX or cols > _INT32_MAX:
        raise QuenbyArgumentError(errors.OVERFLOW, f"the inputs have {rows} rows and {cols} columns; "
                                  f"the engine takes at most {_INT32_MAX} of each", call)
    return table


def _compiled_sections(path):
    """Which networks a compiled file holds: (back propagation, general
    regression), or None when the file cannot be read."""
    found = {}
    try:
        with open(path, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as m:
            for marker, present, absent in ((b"*** BackProp ***", b"BackProp Info", b"No BackProp"),
                                             (b"*** GRNN ***", b"GRNN Info", b"No GRNN")):
                line = b"\n" + marker + b"\r\n"
                at = m.find(line)
                # A title may read like a marker; the marker is the line
                # followed by one of its two answers.
                while at >= 0:
                    start = at + len(line)
                    end = m.find(b"\r\n", start)
                    answer = m[start:end] if end >= 0 else m[start:]
                    if answer in (present, absent):
                        found[marker] = answer == present
                        break
                    at = m.find(line, at + 1)
    except (OSError, ValueError):
        return None
    if len(found) != 2:
        return None
    return found[b"*** BackProp ***"], found[b"*** GRNN ***"]


class Engine:
    """The Quenby network engine, loaded from its shared library.

    library: the engine's path (or a name the system loader searches for);
    None takes the environment variable QUENBY_LIBRARY, else libQuenby.so
    (Quenby.dll on Windows) beside this package, in the source checkout's
    build/bin/, or on the library search path. LibraryNotFoundError lists
    what was tried.

    Calls are serialised: the engine holds one network at a time for the
    whole process and is not re-entrant, so all Engine objects share one
    lock and threads take turns. Two processes must not compile or list the
    titles of the same project at the same time (they write its files).
    """

    def __init__(self, library=None):
        self._lib = load_library(library)
        self.library = self._lib._name

    def __repr__(self):
        return f"Engine(library={self.library!r})"

    def _check(self, status, call):
        if status != errors.OK:
            raise QuenbyError(status, _text(self._lib.QuenbyLastError() or b""), call)

    def apply(self, project, inputs, method="Back Prop"):
        """Applies the network of project (a path without suffix) to a table
        of cases; returns a new float64 array, one row per case and one
        column per network output, in the outputs' units.

        inputs: anything numpy.asarray takes as a 2-D table of numbers (an
        array in C or Fortran order, a list of lists, a DataFrame); its
        columns are those titles(project) lists, in that order; further
        columns are ignored. method: "Back Prop" or "GRNN", exactly.
        The project's .DLLFile is compiled first when it is missing.

        A NaN in a column the network reads is refused (QuenbyArgumentError
        naming the cell); to tell those columns, a table holding a NaN
        first has the engine list the titles (writing .MyTitles).
        """
        path, raw = _project_path(project, "apply")
        call = f"apply {os.fsdecode(path)}"
        if method not in METHODS:
            raise QuenbyArgumentError(errors.INVALID_ARGUMENT,
                                      f"unknown method {method!r}: expected \"Back Prop\" or \"GRNN\" (exactly)", call)
        table = _as_table(inputs, call)
        rows, cols = table.shape
        source = QuenbyTable(table.ctypes.data_as(ctypes.POINTER(ctypes.c_double)), 1, rows, 1, cols)
        result = QuenbyTable()
        with _ENGINE_LOCK:
            # Any NaN makes the sum NaN; the sum needs no table of flags.
            with np.errstate(all="ignore"):
                maybe_nan = np.isnan(np.add.reduce(table, axis=None))
            if maybe_nan:
                self._refuse_nan(path, raw, table, call)
            self._check(self._lib.ApplyNNet(method.encode("ascii"), raw, ctypes.byref(source), ctypes.byref(result)),
                        call)
            try:
                out_rows = result.row_upper - result.row_lower + 1
                out_cols = result.col_upper - result.col_lower + 1
                if out_rows > 0 and out_cols > 0:
                    values = np.ctypeslib.as_array(result.data, shape=(out_rows, out_cols)).copy()
                else:
                    values = np.empty((max(out_rows, 0), max(out_cols, 0)))
            finally:
                self._lib.QuenbyFreeTable(ctypes.byref(result))
            self._require_network(path, method, call)
        return values

    def _require_network(self, path, method, call):
        # A compiled file without the network asked for leaves an engine
        # library of before that mend holding the network of the project
        # loaded before: its answer would be another network's. Newer
        # engines fail themselves, with the same status.
        sections = _compiled_sections(path + (b".DLLFile" if isinstance(path, bytes) else ".DLLFile"))
        if sections is None:
            return
        has_back_prop, has_grnn = sections
        if method == "Back Prop" and not has_back_prop:
            raise QuenbyError(errors.SUBSCRIPT,
                              "subscript out of range: the project has no back-propagation network "
                              "(its .DLLFile says \"No BackProp\": it was compiled without a .net file)", call)
        if method == "GRNN" and not has_grnn:
            raise QuenbyError(errors.SUBSCRIPT,
                              "subscript out of range: the project has no general regression network "
                              "(its .DLLFile says \"No GRNN\": it was compiled without a calibrated .grn file)", call)

    def _refuse_nan(self, path, raw, table, call):
        # The engine fails on a NaN in a column it reads, with a message that
        # names neither row nor column; columns past those are ignored.
        try:
            titles = self._titles_locked(path, raw, call)
        except QuenbyError as e:
            if e.status != errors.FILE_ERROR:
                raise
            titles = None  # a read-only project folder: take every column as read
        taken = table.shape[1] if titles is None else min(len(titles), table.shape[1])
        where = np.argwhere(np.isnan(table[:, :taken]))
        if len(where) == 0:
            return
        row, col = (int(v) for v in where[0])
        named = f" \"{titles[col]}\"" if titles is not None else ""
        raise QuenbyArgumentError(
            errors.FLOATING_POINT,
            f"inputs[{row}, {col}] (case {row + 1}, column {col + 1}{named}) is NaN; "
            f"{len(where)} NaN in all in the columns the network reads", call)

    def _titles_locked(self, path, raw, call):
        self._check(self._lib.PrintTitlesName(raw), call)
        with open(path + (b".MyTitles" if isinstance(path, bytes) else ".MyTitles"), "rb") as f:
            lines = f.read().split(b"\r\n")
        if lines and lines[-1] == b"":
            lines.pop()
        return [_text(line) for line in lines]

    def titles(self, project):
        """The titles of the input columns apply expects for project, in
        order (also written to the project's .MyTitles file)."""
        path, raw = _project_path(project, "titles")
        with _ENGINE_LOCK:
            return self._titles_locked(path, raw, f"titles {os.fsdecode(path)}")

    def compile(self, project):
        """Compiles the project's training files into its .DLLFile, replacing
        an earlier one only when complete. Needed after retraining: apply
        uses an existing .DLLFile whatever its age."""
        path, raw = _project_path(project, "compile")
        with _ENGINE_LOCK:
            self._check(self._lib.CreatDllFile(raw), f"compile {os.fsdecode(path)}")
