"""S-meter calibration tables through the fendrel library.

    import fendrel

    with fendrel.Table("receiver.cal") as table:
        reading = table.convert("Halv-A1", fendrel.Mode.AM, 14_200_000, raw=120)
        print(f"{reading.dbm:.1f} dBm {reading.s_unit_label}")

Receiver names are byte strings in the files; a str name is encoded as
Latin-1, one byte per character. A mode is a code -1..255 or a name as
fendrel-tool takes it ("AM", "usb", "default", or the full name from a CAL
file); a frequency is whole hertz, an int or a float with no fraction.
Arguments are checked before the library sees them: a wrong type raises
TypeError, a value out of range or a NUL byte ValueError, each naming the
argument. Every failure of the library raises FendrelError with its code and
that code's meaning.
"""

import ctypes
import enum
import math
import numbers
import operator
import os
from dataclasses import dataclass

from . import _binding

__all__ = ["FendrelError", "Mode", "Reading", "Table", "MESSAGES", "S_UNIT_LABELS", "LEVEL_COUNT"]

LEVEL_COUNT = 256
_OK = -1
_ERR_HANDLE = -10


class Mode(enum.IntEnum):
    DEFAULT = -1
    CW = 0
    AM = 1
    FMN = 2
    FMW = 3
    LSB = 4
    USB = 5
    FMM = 6
    FM6 = 7


# What each of the library's codes means, as fendrel.h says.
MESSAGES = {
    -2: "A level is above 0, below -140 or not a number.",
    -3: "The dBm array pointer is null.",
    -4: "The frequency is negative.",
    -5: "The file could not be written completely.",
    -6: "The file name pointer is null.",
    -7: "No receiver of that name in the table.",
    -8: "The file cannot be opened for reading.",
    -9: "The file holds no receiver section, or could not be read.",
    -10: "The handle is not valid.",
    -11: "Size of the structure is not 33.",
    -12: "The structure pointer is null.",
    -13: "The receiver name pointer is null, or too long.",
    -14: "The receiver has no section for that mode.",
    -15: "Raw value outside 0..255.",
    -16: "A non-zero buffer size was given with a null buffer.",
    -17: "The mode's section has no point at exactly that frequency.",
    -18: "The mode's section has no points.",
}

# The mode names of CAL files, code -1 first; a short name is the text
# before " - ".
_MODE_NAMES = (
    "DEFAULT", "CW - Continuous Wave", "AM - Amplitude Modulation", "FMN - Frequency Modulation,Narrow",
    "FMW - Frequency Modulation,Wide", "LSB - Lower Side Band", "USB - Upper Side Band",
    "FMM - Frequency Modulation,Medium", "FM6 - Frequency Modulation (6kHz BW)",
)
_MODE_CODES = {name.lower(): code for code, full in enumerate(_MODE_NAMES, start=-1)
               for name in (full, full.split(" - ")[0])}

S_UNIT_LABELS = (
    "S0", "S1", "S2", "S3", "S4", "S5", "S6", "S7", "S8", "S9",
    "S9 +10dB", "S9 +20dB", "S9 +30dB", "S9 +40dB", "S9 +50dB", "S9 +60dB", "S9 +70dB",
)


class FendrelError(Exception):
    """A library call failed; code is its CAL_ERR_* result."""

    def __init__(self, code):
        self.code = code
        self.message = MESSAGES.get(code, "Unknown result code.")
        super().__init__("%s (code %d)" % (self.message, code))


@dataclass(frozen=True)
class Reading:
    """One converted raw reading."""

    dbm: float
    microvolts: float
    microvolts_pp: float
    s_unit: int

    @property
    def s_unit_label(self):
        return S_UNIT_LABELS[self.s_unit]


def _whole(value, argument, expected):
    """value as an int, refusing bool, str and anything else that is not an integer."""
    if isinstance(value, bool):
        raise TypeError("%s must be %s, not bool" % (argument, expected))
    try:
        return operator.index(value)
    except TypeError:
        raise TypeError("%s must be %s, not %s" % (argument, expected, type(value).__name__)) from None


def _in_range(value, argument, low, high):
    if not low <= value <= high:
        raise ValueError("%s %d is not %d..%d" % (argument, value, low, high))
    return value


def _without_nul(text, argument):
    if b"\0" in text:
        raise ValueError("%s %r holds a NUL byte, which would end it there" % (argument, text))
    return text


def _name(receiver):
    if isinstance(receiver, str):
        try:
            receiver = receiver.encode("latin-1")
        except UnicodeEncodeError:
            raise ValueError("receiver %r has characters outside Latin-1" % (receiver,)) from None
    elif isinstance(receiver, (bytearray, memoryview)):
        receiver = bytes(receiver)
    elif not isinstance(receiver, bytes):
        raise TypeError("receiver must be str or bytes, not %s" % type(receiver).__name__)
    return _without_nul(receiver, "receiver")


def _path(path):
    try:
        encoded = os.fsencode(path)
    except TypeError:
        raise TypeError("path must be str, bytes or os.PathLike, not %s" % type(path).__name__) from None
    return _without_nul(encoded, "path")


def _mode_code(mode):
    """A code -1..255 from a code or a name, as fendrel-tool takes it."""
    if isinstance(mode, str):
        text = mode.strip().lower()
        if text in _MODE_CODES:
            return _MODE_CODES[text]
        try:
            return _in_range(int(text), "mode", -1, 255)
        except ValueError:
            raise ValueError("unknown mode %r: a code -1..255 or one of %s"
                             % (mode, ", ".join(name.split(" - ")[0] for name in _MODE_NAMES))) from None
    return _in_range(_whole(mode, "mode", "an int -1..255 or a mode name"), "mode", -1, 255)


def _frequency(frequency):
    """Whole hertz in 64 bits; a float counts when it has no fraction."""
    if isinstance(frequency, float) and math.isfinite(frequency) and frequency.is_integer():
        frequency = int(frequency)
    value = _whole(frequency, "frequency", "whole hertz, an int or a float with no fraction")
    return _in_range(value, "frequency", -(2 ** 63), 2 ** 63 - 1)


def _raw(raw):
    return _in_range(_whole(raw, "raw", "an int 0..255"), "raw", 0, 255)


def _levels(levels):
    levels = list(levels)
    if len(levels) != LEVEL_COUNT:
        raise ValueError("a column holds 256 levels, not %d" % len(levels))
    for raw, level in enumerate(levels):
        if isinstance(level, bool) or not isinstance(level, numbers.Real):
            raise TypeError("levels[%d] must be a number of dBm, not %s" % (raw, type(level).__name__))
    return (ctypes.c_double * LEVEL_COUNT)(*levels)


def _mode(code):
    return Mode(code) if code in Mode._value2member_map_ else code


def _checked(result):
    if result < 0 and result != _OK:
        raise FendrelError(result)
    return result


def _call(name, *args):
    with _binding.lock:
        return getattr(_binding.library(), name)(*args)


class Table:
    """One calibration table held by the library: a CAL file, or a new empty
    table when path is None. Close it, or use it in a with statement."""

    def __init__(self, path=None):
        self._handle = None
        self._handle = _checked(_call("LoadCALFile", None if path is None else _path(path)))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:
            pass

    def close(self):
        """Frees the table without saving it. Closing twice does nothing."""
        if self._handle is not None:
            handle, self._handle = self._handle, None
            _call("Unload", handle)

    @property
    def handle(self):
        # A closed table must not reach whatever table got its handle next.
        if self._handle is None:
            raise FendrelError(_ERR_HANDLE)
        return self._handle

    def save(self, path):
        _checked(_call("SaveCALFile", self.handle, _path(path)))

    def modes(self, receiver):
        """The receiver's mode codes in table order (Mode members where named)."""
        return [_mode(code) for code in self._list("GetModes", ctypes.c_int32, _name(receiver))]

    def frequencies(self, receiver, mode):
        """The frequencies in hertz of the receiver's section for exactly
        that mode, in table order."""
        return self._list("GetFrequencies", ctypes.c_int64, _name(receiver), _mode_code(mode))

    def convert(self, receiver, mode, frequency, raw):
        """The calibrated level of raw reading 0..255 at frequency (Hz) in
        mode; a receiver without that mode uses its DEFAULT section."""
        arguments = (_name(receiver), _mode_code(mode), _frequency(frequency))
        strength = _binding.CalibratedStrength(Size=33, RawValue=_raw(raw))
        _checked(_call("GetCS", self.handle, *arguments, ctypes.byref(strength)))
        return Reading(strength.DBm, strength.MicroVolts, strength.MicroVoltsPP, strength.SUnit)

    def column(self, receiver, mode, frequency):
        """The 256 levels at frequency, read as the calibrator reads a column
        back: one conversion per raw value."""
        return [self.convert(receiver, mode, frequency, raw).dbm for raw in range(LEVEL_COUNT)]

    def put_column(self, receiver, mode, frequency, levels):
        """Writes 256 levels (dBm, -140..0) at frequency, replacing a column
        at that frequency; creates the receiver and mode when missing."""
        arguments = (_name(receiver), _mode_code(mode), _frequency(frequency), _levels(levels))
        _checked(_call("PutDBMs", self.handle, *arguments))

    def delete_mode(self, receiver, mode):
        _checked(_call("DeleteMode", self.handle, _name(receiver), _mode_code(mode)))

    def delete_frequency(self, receiver, mode, frequency):
        _checked(_call("DeleteFrequency", self.handle, _name(receiver), _mode_code(mode), _frequency(frequency)))

    def _list(self, export, item, *args):
        # Asked twice, as the interface wants: the size, then the items.
        with _binding.lock:
            size = _checked(_call(export, self.handle, *args, None, 0))
            buffer = (item * (size // ctypes.sizeof(item)))()
            _checked(_call(export, self.handle, *args, buffer, size))
        return list(buffer)
