"""Finding libfendrel and binding its nine exports, in one place."""

import ctypes
import ctypes.util
import os
import sys
import threading
from pathlib import Path

LIBRARY_VARIABLE = "FENDREL_LIBRARY"

if sys.platform == "win32":
    _FILE_NAMES = ("fendrel.dll", "libfendrel.dll")
elif sys.platform == "darwin":
    _FILE_NAMES = ("libfendrel.2.dylib", "libfendrel.dylib")
else:
    _FILE_NAMES = ("libfendrel.so.2", "libfendrel.so")


class CalibratedStrength(ctypes.Structure):
    _pack_ = 1
    _fields_ = [
        ("Size", ctypes.c_int32),
        ("RawValue", ctypes.c_uint8),
        ("DBm", ctypes.c_double),
        ("MicroVolts", ctypes.c_double),
        ("MicroVoltsPP", ctypes.c_double),
        ("SUnit", ctypes.c_int32),
    ]


assert ctypes.sizeof(CalibratedStrength) == 33

_i32, _u32, _i64, _name = ctypes.c_int32, ctypes.c_uint32, ctypes.c_int64, ctypes.c_char_p
_PROTOTYPES = {
    "LoadCALFile": [_name],
    "Unload": [_i32],
    "GetCS": [_i32, _name, _i32, _i64, ctypes.POINTER(CalibratedStrength)],
    "PutDBMs": [_i32, _name, _i32, _i64, ctypes.POINTER(ctypes.c_double)],
    "SaveCALFile": [_i32, _name],
    "GetModes": [_i32, _name, ctypes.POINTER(_i32), _u32],
    "GetFrequencies": [_i32, _name, _i32, ctypes.POINTER(_i64), _u32],
    "DeleteMode": [_i32, _name, _i32],
    "DeleteFrequency": [_i32, _name, _i32, _i64],
}


def _candidates():
    """The files to try in order, and what else was tried, for the message
    when none loads."""
    chosen = os.environ.get(LIBRARY_VARIABLE)
    if chosen:
        # An explicit choice is never replaced by another library.
        path = Path(chosen)
        return [path / name for name in _FILE_NAMES] if path.is_dir() else [path], []
    found = []
    # A source checkout: python/fendrel/ beside build/bin/. An installed
    # package has no checkout around it.
    source = Path(__file__).resolve().parent.parent
    if (source / "pyproject.toml").is_file():
        found = [source.parent / "build" / "bin" / name for name in _FILE_NAMES]
    # A bare file name, which the system's loader then looks for.
    system = ctypes.util.find_library("fendrel")
    return found + [system] if system else found, [] if system else ["the system's library search: nothing found"]


def _load():
    files, also_tried = _candidates()
    tried = []
    for candidate in files:
        if isinstance(candidate, Path) and not candidate.is_file():
            tried.append("%s: no such file" % candidate)
            continue
        try:
            library = ctypes.CDLL(str(candidate))
        except OSError as error:
            tried.append("%s: %s" % (candidate, error))
            continue
        for name, argtypes in _PROTOTYPES.items():
            function = getattr(library, name)
            function.argtypes = argtypes
            function.restype = ctypes.c_int32
        return library
    only = "only what %s names, " % LIBRARY_VARIABLE if os.environ.get(LIBRARY_VARIABLE) else ""
    raise OSError(
        "cannot find the fendrel library (tried %s%s). Set %s to the library file or to the folder that holds it."
        % (only, "; ".join(tried + also_tried), LIBRARY_VARIABLE)
    )


_library = None
# The library takes no locks and must not be entered from two threads at once.
lock = threading.RLock()


def library():
    """The bound library, loaded on first use."""
    global _library
    with lock:
        if _library is None:
            _library = _load()
        return _library
