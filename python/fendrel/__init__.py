"""S-meter calibration tables through the fendrel library.

    import fendrel

    with fendrel.Table("receiver.cal") as table:
        reading = table.convert("Halv-A1", fendrel.Mode.AM, 14_200_000, raw=120)
        print(f"{reading.dbm:.1f} dBm {reading.s_unit_label}")

Receiver names are byte strings in the files; a str name is encoded as
Latin-1, one byte per character. Every failure of the library raises
FendrelError with its code and the calibrator's message for it.
"""

import ctypes
import enum
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


# The calibrator's texts for the library's codes, as it shows them.
MESSAGES = {
    -2: "Was found an dBm value in array that is out of range -140 - 0",
    -3: "dBm array is not valid.",
    -4: "Specified frequency is not found in calibration table.",
    -5: "Error during writing calibration table to file.",
    -6: "Specified file name is not valid.",
    -7: "Specified receiver is not found in calibration table.",
    -8: "CAL file not found.",
    -9: "Error during loading CAL file to memory.",
    -10: "Invalid CAL handle.",
    -11: "Calibration structure has invalid size.",
    -12: "Calibration structure is invalid.",
    -13: "Receiver name is invalid.",
    -14: "Calibration table does not contains requested mode.",
    -15: "RAW signal strength value is not within range 0 \u2013 255.",
    -16: "Buffer is not valid. Pointer to buffer is NULL.",
    -17: "Frequency not found in table.",
    # The calibrator stops silently on this one; an exception needs words.
    -18: "The mode's section has no points.",
}

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


def _name(receiver):
    return receiver if isinstance(receiver, bytes) else receiver.encode("latin-1")


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
        self._handle = _checked(_call("LoadCALFile", None if path is None else os.fsencode(path)))

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
        _checked(_call("SaveCALFile", self.handle, os.fsencode(path)))

    def modes(self, receiver):
        """The receiver's mode codes in table order (Mode members where named)."""
        return [_mode(code) for code in self._list("GetModes", ctypes.c_int32, _name(receiver))]

    def frequencies(self, receiver, mode):
        """The frequencies in hertz of the receiver's section for exactly
        that mode, in table order."""
        return self._list("GetFrequencies", ctypes.c_int64, _name(receiver), int(mode))

    def convert(self, receiver, mode, frequency, raw):
        """The calibrated level of raw reading 0..255 at frequency (Hz) in
        mode; a receiver without that mode uses its DEFAULT section."""
        if not 0 <= raw <= 255:
            raise ValueError("raw reading %r is not 0..255" % (raw,))
        strength = _binding.CalibratedStrength(Size=33, RawValue=raw)
        _checked(_call("GetCS", self.handle, _name(receiver), int(mode), frequency, ctypes.byref(strength)))
        return Reading(strength.DBm, strength.MicroVolts, strength.MicroVoltsPP, strength.SUnit)

    def column(self, receiver, mode, frequency):
        """The 256 levels at frequency, read as the calibrator reads a column
        back: one conversion per raw value."""
        return [self.convert(receiver, mode, frequency, raw).dbm for raw in range(LEVEL_COUNT)]

    def put_column(self, receiver, mode, frequency, levels):
        """Writes 256 levels (dBm, -140..0) at frequency, replacing a column
        at that frequency; creates the receiver and mode when missing."""
        levels = list(levels)
        if len(levels) != LEVEL_COUNT:
            raise ValueError("a column holds 256 levels, not %d" % len(levels))
        array = (ctypes.c_double * LEVEL_COUNT)(*levels)
        _checked(_call("PutDBMs", self.handle, _name(receiver), int(mode), frequency, array))

    def delete_mode(self, receiver, mode):
        _checked(_call("DeleteMode", self.handle, _name(receiver), int(mode)))

    def delete_frequency(self, receiver, mode, frequency):
        _checked(_call("DeleteFrequency", self.handle, _name(receiver), int(mode), frequency))

    def _list(self, export, item, *args):
        # Asked twice, as the interface wants: the size, then the items.
        with _binding.lock:
            size = _checked(_call(export, self.handle, *args, None, 0))
            buffer = (item * (size // ctypes.sizeof(item)))()
            _checked(_call(export, self.handle, *args, buffer, size))
        return list(buffer)
