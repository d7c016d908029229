"""The Python package over the real library, end to end."""

import os
import shutil
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

import fendrel
from fendrel import FendrelError, Mode, Table, _binding

SOURCE = Path(__file__).resolve().parent.parent


def library_path():
    return Path(_binding.library()._name).resolve()


def test_builds_lists_converts_saves_and_reopens_a_table(tmp_path):
    path = tmp_path / "table.cal"
    with Table() as table:
        table.put_column("Halv-A1", Mode.AM, 20_000_000, [-70.0] * 256)
        table.put_column("Halv-A1", Mode.AM, 10_000_000, [-80.0 + raw * 0.1 for raw in range(256)])
        table.put_column("Halv-A1", 200, 1_000_000, [-73.0] * 256)
        table.put_column(b"Halv-B2", Mode.DEFAULT, 0, [-140.0] * 256)
        table.save(path)

    with Table(path) as table:
        assert table.modes("Halv-A1") == [Mode.AM, 200]
        assert table.modes(b"Halv-B2") == [Mode.DEFAULT]
        assert table.frequencies("Halv-A1", Mode.AM) == [10_000_000, 20_000_000]
        assert table.convert("Halv-A1", Mode.AM, 15_000_000, raw=0).dbm == pytest.approx(-75.0)
        reading = table.convert("Halv-A1", 200, 5, raw=255)
        assert (reading.dbm, reading.s_unit, reading.s_unit_label) == (-73.0, 8, "S8")
        assert reading.microvolts == pytest.approx(50.059, abs=1e-3)
        assert reading.microvolts_pp == pytest.approx(141.589, abs=1e-3)
        # A receiver without the mode converts with its DEFAULT section.
        assert table.convert("Halv-B2", Mode.USB, 7_000_000, raw=3).s_unit_label == "S0"
        column = table.column("Halv-A1", Mode.AM, 10_000_000)
        assert column[0] == -80.0 and column[255] == pytest.approx(-54.5)

        table.delete_frequency("Halv-A1", Mode.AM, 20_000_000)
        table.delete_mode("Halv-A1", 200)
        assert table.modes("Halv-A1") == [Mode.AM]
        assert table.frequencies("Halv-A1", Mode.AM) == [10_000_000]


def test_errors_carry_the_code_and_its_meaning(tmp_path):
    with pytest.raises(FendrelError) as missing:
        Table(tmp_path / "missing.cal")
    assert (missing.value.code, missing.value.message) == (-8, "The file cannot be opened for reading.")

    table = Table()
    table.put_column("Halv-A1", Mode.AM, 7_000_000, [-90.0] * 256)
    cases = [
        (lambda: table.convert("Halv-Z9", Mode.AM, 7_000_000, 1), -7, "No receiver of that name in the table."),
        (lambda: table.frequencies("Halv-A1", Mode.USB), -14, "The receiver has no section for that mode."),
        (lambda: table.put_column("Halv-A1", Mode.AM, 7_000_000, [-140.5] * 256), -2,
         "A level is above 0, below -140 or not a number."),
        (lambda: table.put_column("Halv-A1", Mode.AM, -1, [0.0] * 256), -4, "The frequency is negative."),
        (lambda: table.delete_frequency("Halv-A1", Mode.AM, 7_000_001), -17,
         "The mode's section has no point at exactly that frequency."),
        (lambda: table.save(tmp_path / "no-such-folder" / "x.cal"), -5, "The file could not be written completely."),
    ]
    for call, code, message in cases:
        with pytest.raises(FendrelError) as error:
            call()
        assert (error.value.code, error.value.message) == (code, message)
        assert str(error.value) == "%s (code %d)" % (message, code)

    table.delete_frequency("Halv-A1", Mode.AM, 7_000_000)
    with pytest.raises(FendrelError) as empty:
        table.convert("Halv-A1", Mode.AM, 7_000_000, 1)
    assert empty.value.code == -18
    with pytest.raises(ValueError):
        table.convert("Halv-A1", Mode.AM, 7_000_000, 256)

    # A closed table never reaches the table that gets its handle next.
    table.close()
    other = Table()
    other.put_column("Halv-A1", Mode.AM, 7_000_000, [-90.0] * 256)
    with pytest.raises(FendrelError) as closed:
        table.modes("Halv-A1")
    assert (closed.value.code, closed.value.message) == (-10, "The handle is not valid.")
    assert other.modes("Halv-A1") == [Mode.AM]
    other.close()


def test_arguments_are_checked_before_the_library_sees_them(tmp_path):
    sample = tmp_path / "demo.cal"
    with Table() as table:
        table.put_column("Halv-A1", "am", 14.2e6, [-70.0] * 256)
        table.save(sample)
        # Mode names as fendrel-tool takes them; floats with no fraction as frequency.
        for mode in (Mode.AM, 1, "AM", "am", " Am ", "AM - Amplitude Modulation", "1"):
            assert table.convert("Halv-A1", mode, 14_200_000.0, 9).dbm == -70.0, mode
        assert table.frequencies("Halv-A1", "AM") == [14_200_000]

        cases = [
            (lambda: table.convert("Halv-A1", 2 ** 32 + 1, 14_200_000, 9), ValueError, "mode 4294967297 is not -1..255"),
            (lambda: table.convert("Halv-A1", "SSB", 14_200_000, 9), ValueError, "unknown mode 'SSB'"),
            (lambda: table.convert("Halv-A1", 1.0, 14_200_000, 9), TypeError, "mode must be an int -1..255 or a mode name"),
            (lambda: table.convert("Halv-A1", Mode.AM, 2 ** 64 + 14_200_000, 9), ValueError, "frequency 18446744073723751616"),
            (lambda: table.convert("Halv-A1", Mode.AM, 14.2e6 + 0.5, 9), TypeError,
             "frequency must be whole hertz, an int or a float with no fraction, not float"),
            (lambda: table.convert("Halv-A1", Mode.AM, "14200000", 9), TypeError, "frequency must be whole hertz"),
            (lambda: table.convert("Halv-A1", Mode.AM, 14_200_000, "12"), TypeError, "raw must be an int 0..255, not str"),
            (lambda: table.convert("Halv-A1", Mode.AM, 14_200_000, 256), ValueError, "raw 256 is not 0..255"),
            (lambda: table.convert("Halv-A1", Mode.AM, 14_200_000, True), TypeError, "raw must be an int 0..255, not bool"),
            (lambda: table.convert(None, Mode.AM, 14_200_000, 9), TypeError, "receiver must be str or bytes, not NoneType"),
            (lambda: table.convert("Halv-A1\0x", Mode.AM, 14_200_000, 9), ValueError, "receiver b'Halv-A1\\x00x' holds a NUL"),
            (lambda: table.modes("Halv-\u20ac"), ValueError, "receiver 'Halv-\u20ac' has characters outside Latin-1"),
            (lambda: table.put_column("Halv-A1", Mode.AM, 1, ["-70"] * 256), TypeError, "levels[0] must be a number"),
            (lambda: table.save(tmp_path / "x.cal\0.bak"), ValueError, "holds a NUL byte"),
            (lambda: table.save(None), TypeError, "path must be str, bytes or os.PathLike, not NoneType"),
            (lambda: Table(str(sample) + "\0junk"), ValueError, "holds a NUL byte"),
        ]
        for call, kind, text in cases:
            with pytest.raises(kind) as error:
                call()
            assert text in str(error.value), (text, str(error.value))
        assert not (tmp_path / "x.cal").exists()
        assert table.modes("Halv-A1") == [Mode.AM] and table.frequencies("Halv-A1", Mode.AM) == [14_200_000]


def run_python(python, script, library, cwd):
    environment = dict(os.environ)
    environment.pop("PYTHONPATH", None)
    environment.pop(_binding.LIBRARY_VARIABLE, None)
    if library is not None:
        environment[_binding.LIBRARY_VARIABLE] = str(library)
    return subprocess.run([str(python), "-c", textwrap.dedent(script)], cwd=cwd, env=environment,
                          capture_output=True, text=True, timeout=120)


USE = """
    import fendrel
    with fendrel.Table() as table:
        table.put_column("Halv-A1", fendrel.Mode.AM, 0, [-72.0] * 256)
        print(fendrel.__file__, table.convert("Halv-A1", fendrel.Mode.AM, 0, 9).s_unit_label)
"""


def test_finds_the_library_through_the_variable_as_file_or_folder(tmp_path):
    shutil.copytree(SOURCE / "fendrel", tmp_path / "fendrel")
    library = library_path()
    for chosen in (library, library.parent):
        done = run_python(sys.executable, USE, chosen, tmp_path)
        assert done.returncode == 0, done.stderr
        assert done.stdout.split()[-1] == "S9"
    missing = run_python(sys.executable, USE, tmp_path / "nowhere.so", tmp_path)
    assert ("cannot find the fendrel library (tried only what FENDREL_LIBRARY names, %s: no such file)"
            % (tmp_path / "nowhere.so")) in missing.stderr


def test_pip_installs_offline_into_a_virtual_environment(tmp_path):
    pytest.importorskip("setuptools")
    shutil.copytree(SOURCE, tmp_path / "source", ignore=shutil.ignore_patterns("build", "*.egg-info", "__pycache__"))
    venv = tmp_path / "venv"
    made = subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(venv)],
                          capture_output=True, text=True, timeout=300)
    if made.returncode != 0:
        pytest.skip("no venv here: " + made.stderr)
    python = venv / ("Scripts/python.exe" if os.name == "nt" else "bin/python")
    installed = subprocess.run([str(python), "-m", "pip", "install", "--no-index", "--no-build-isolation",
                                str(tmp_path / "source")], capture_output=True, text=True, timeout=300)
    assert installed.returncode == 0, installed.stdout + installed.stderr
    done = run_python(python, USE, library_path(), tmp_path)
    assert done.returncode == 0, done.stderr
    where, label = done.stdout.split()
    assert str(venv) in where and label == "S9"
    # Installed, without the variable: no checkout path, only the system's search.
    alone = run_python(python, USE, None, tmp_path)
    if alone.returncode != 0:
        message = alone.stderr.strip().splitlines()[-1]
        assert message == ("OSError: cannot find the fendrel library (tried the system's library search: nothing "
                           "found). Set FENDREL_LIBRARY to the library file or to the folder that holds it."), message
