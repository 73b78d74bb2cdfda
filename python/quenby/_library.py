"""Finding the engine library and declaring its C API (quenby.h) to ctypes."""

import ctypes
import ctypes.util
import os
import sys
from pathlib import Path

from .errors import LibraryNotFoundError

if sys.platform == "win32":
    LIBRARY_NAME = "Quenby.dll"
elif sys.platform == "darwin":
    LIBRARY_NAME = "libQuenby.dylib"
else:
    LIBRARY_NAME = "libQuenby.so"

ENVIRONMENT_VARIABLE = "QUENBY_LIBRARY"


class QuenbyTable(ctypes.Structure):
    """A table over its full bounds, row-major, as quenby.h declares it."""

    _fields_ = [
        ("data", ctypes.POINTER(ctypes.c_double)),
        ("row_lower", ctypes.c_int32),
        ("row_upper", ctypes.c_int32),
        ("col_lower", ctypes.c_int32),
        ("col_upper", ctypes.c_int32),
    ]


_PROTOTYPES = {
    "ApplyNNet": (ctypes.c_int32, [ctypes.c_char_p, ctypes.c_char_p,
                                   ctypes.POINTER(QuenbyTable), ctypes.POINTER(QuenbyTable)]),
    "PrintTitlesName": (ctypes.c_int32, [ctypes.c_char_p]),
    "CreatDllFile": (ctypes.c_int32, [ctypes.c_char_p]),
    "QuenbyFreeTable": (None, [ctypes.POINTER(QuenbyTable)]),
    "QuenbyLastError": (ctypes.c_char_p, []),
}


def _declare(lib, where):
    for name, (restype, argtypes) in _PROTOTYPES.items():
        try:
            function = getattr(lib, name)
        except AttributeError:
            raise LibraryNotFoundError(
                f"{where} was loaded but does not export {name}: it is not the Quenby engine") from None
        function.restype = restype
        function.argtypes = argtypes
    return lib


def _candidates():
    """The places looked at when no library is named, in order, as
    (description, what to hand to the loader)."""
    package = Path(__file__).resolve().parent
    found = [(f"beside the package: {package / LIBRARY_NAME}", str(package / LIBRARY_NAME)),
             (f"beside the package: {package.parent / LIBRARY_NAME}", str(package.parent / LIBRARY_NAME))]
    # A source checkout (python/quenby/ in the repository): the build tree.
    repository = package.parent.parent
    if (repository / "engine" / "include" / "quenby.h").is_file():
        built = repository / "build" / "bin" / LIBRARY_NAME
        found.append((f"the checkout's build tree: {built}", str(built)))
    searched = ctypes.util.find_library("Quenby") if sys.platform == "win32" else None
    found.append((f"the library search path: {LIBRARY_NAME}", searched or LIBRARY_NAME))
    return found


def _load(target):
    return ctypes.CDLL(target)


def load_library(library=None):
    """Loads the engine: library (a path or a name the loader searches for),
    else the file named by QUENBY_LIBRARY, else the first of the usual
    places that loads. Raises LibraryNotFoundError naming what was tried."""
    if library is not None:
        where = f"the library given, {os.fspath(library)}"
        explicit = [(where, os.fspath(library))]
    elif os.environ.get(ENVIRONMENT_VARIABLE):
        value = os.environ[ENVIRONMENT_VARIABLE]
        explicit = [(f"{ENVIRONMENT_VARIABLE}={value}", value)]
    else:
        explicit = None

    tried = []
    for where, target in explicit or _candidates():
        if explicit is None and os.path.dirname(target) and not os.path.exists(target):
            tried.append(f"  {where}: no such file")
            continue
        try:
            return _declare(_load(target), where)
        except OSError as e:
            if isinstance(e, LibraryNotFoundError):
                raise
            tried.append(f"  {where}: {e}")
    hint = (f"set {ENVIRONMENT_VARIABLE} to the engine's path (build/bin/{LIBRARY_NAME} "
            "after a build) or pass Engine(library=...)")
    raise LibraryNotFoundError("cannot load the Quenby engine; tried\n" + "\n".join(tried) + "\n" + hint)
