"""The engine's status codes and the one exception the package raises for them."""

OK = 0
FILE_NOT_FOUND = 1
END_OF_FILE = 2
TYPE_MISMATCH = 3
OVERFLOW = 4
SUBSCRIPT = 5
FLOATING_POINT = 6
FILE_ERROR = 7
OUT_OF_MEMORY = 8
INVALID_ARGUMENT = 9

STATUS_NAMES = {
    FILE_NOT_FOUND: "file not found",
    END_OF_FILE: "end of file",
    TYPE_MISMATCH: "type mismatch",
    OVERFLOW: "overflow",
    SUBSCRIPT: "subscript out of range",
    FLOATING_POINT: "floating-point error",
    FILE_ERROR: "file error",
    OUT_OF_MEMORY: "out of memory",
    INVALID_ARGUMENT: "invalid argument",
}


class QuenbyError(Exception):
    """A call that failed.

    ``status`` is the engine's status code (``quenby.FILE_NOT_FOUND``, ...),
    ``message`` the engine's own text, which begins with the status's name
    and names the file and line at fault where there is one; ``call`` says
    which call failed and on what ("apply projects/Well").
    """

    def __init__(self, status, message, call=""):
        self.status = int(status)
        self.message = message
        self.call = call
        super().__init__(f"{call}: {message}" if call else message)

    @property
    def status_name(self):
        return STATUS_NAMES.get(self.status, f"status {self.status}")


class QuenbyArgumentError(QuenbyError, ValueError):
    """An argument refused before the engine was called. ``status`` is the
    code the engine would have answered (SUBSCRIPT for a table that is not
    two-dimensional, FLOATING_POINT for a NaN in a column the network
    reads, INVALID_ARGUMENT otherwise). Also a ValueError."""

    def __init__(self, status, what, call=""):
        super().__init__(status, f"{STATUS_NAMES[status]}: {what}", call)


class LibraryNotFoundError(OSError):
    """No engine library could be loaded; the message lists every place
    tried and why each failed."""
