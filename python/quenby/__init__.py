"""Quenby, the network engine, from Python: apply a trained network to a
numpy table of cases.

    import quenby
    engine = quenby.Engine()                 # QUENBY_LIBRARY, or libQuenby.so nearby
    results = engine.apply("projects/Well", cases)   # one row per case

Calls are serialised with a lock: the engine holds one network per process
and is not re-entrant.
"""

from .engine import METHODS, Engine
from .errors import (END_OF_FILE, FILE_ERROR, FILE_NOT_FOUND, FLOATING_POINT, INVALID_ARGUMENT, OK, OUT_OF_MEMORY,
                     OVERFLOW, STATUS_NAMES, SUBSCRIPT, TYPE_MISMATCH, LibraryNotFoundError, QuenbyArgumentError,
                     QuenbyError)

__version__ = "1.0.0"

__all__ = [
    "Engine", "METHODS", "QuenbyError", "QuenbyArgumentError", "LibraryNotFoundError", "STATUS_NAMES",
    "OK", "FILE_NOT_FOUND", "END_OF_FILE", "TYPE_MISMATCH", "OVERFLOW", "SUBSCRIPT", "FLOATING_POINT",
    "FILE_ERROR", "OUT_OF_MEMORY", "INVALID_ARGUMENT",
]
