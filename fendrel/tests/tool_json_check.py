"""fendrel-tool --json: every run prints exactly one object that parses as
strict JSON, failures included, and holds what the text output says.
Usage: tool_json_check.py FENDREL_TOOL"""

import json
import os
import subprocess
import sys
import tempfile
from pathlib import Path


def strict(text):
    def refuse(constant):
        raise ValueError("not JSON: " + constant)

    return json.loads(text, parse_constant=refuse)


def run(tool, *args, status=0):
    done = subprocess.run([tool, *args], capture_output=True, timeout=60)
    assert done.returncode == status, (args, done.returncode, done.stderr)
    return strict(done.stdout.decode("utf-8"))


def main(tool):
    with tempfile.TemporaryDirectory(prefix="fendrel-json-") as folder:
        check(tool, Path(folder))


def check(tool, folder):
    sample = str(folder / "sample.cal")
    subprocess.run([tool, "demo", sample], check=True, capture_output=True, timeout=60)

    shown = run(tool, "show", sample, "--json")
    receiver = shown["receivers"][0]
    assert receiver["name"] == "Halv-A1"
    assert [(m["code"], m["mode"]) for m in receiver["modes"]] == [(1, "AM"), (5, "USB")]
    assert receiver["modes"][0]["frequencies_hz"] == [1000000, 10000000, 30000000]

    converted = run(tool, "convert", sample, "Halv-A1", "AM", "14.2MHz", "120", "--json")
    assert converted["dbm"] == -71.42 and converted["s_unit_label"] == "S9"
    assert abs(converted["microvolts"] - 60.046) < 1e-3

    assert run(tool, "lint", sample, "--json") == {"file": sample, "status": "clean", "error": None, "findings": []}

    # Names are bytes: quotes, control characters and bytes above 127 stay valid JSON.
    odd = folder / "odd.cal"
    odd.write_bytes(b'{"\x01\xe9\\"}\r\n[AM]\r\n.5 0 1\r\n')
    linted = run(tool, "lint", str(odd), "--json", status=1)
    assert linted["status"] == "warnings"
    assert [(f["line"], f["kind"]) for f in linted["findings"]] == [
        (1, "receiver-name"), (2, "unknown-mode"), (3, "dropped-point")]
    assert "'\"\x01\xe9\\\"'" in linted["findings"][0]["message"]
    assert run(tool, "show", str(odd), "--json")["receivers"][0]["name"] == '"\x01\xe9\\"'

    unreadable = run(tool, "lint", str(folder / "missing.cal"), "--json", status=2)
    assert unreadable["status"] == "unreadable" and unreadable["error"]

    # Failures print an error object with a word for scripts and the message.
    missing = str(folder / "missing.cal")
    failures = [
        (["convert", sample, "Nobody", "AM", "14.2MHz", "1"], 1, "no-receiver",
         "Nobody: no receiver of that name in the table"),
        (["convert", sample, "Halv-A1", "SSB", "14.2MHz", "1"], 2, "usage", "unknown mode 'SSB'"),
        (["convert", missing, "Halv-A1", "AM", "14.2MHz", "1"], 1, "cannot-open",
         missing + ": cannot open the file for reading"),
        (["show", missing], 1, "cannot-open", missing + ": cannot open the file for reading"),
        (["show"], 2, "usage", "the arguments do not fit any command"),
        (["export", sample], 2, "usage", "export as CSV takes one FILE, and neither --points nor --json"),
    ]
    for args, status, code, message in failures:
        assert run(tool, *args, "--json", status=status) == {"error": {"code": code, "message": message}}, args

    # Paths and names in UTF-8 pass through; other bytes read as Latin-1.
    for name in ['Kalibr-\u00e4 "q".cal', "Kalibr-\u00e4-\U0001f4fb.cal"]:
        (folder / name).write_bytes(Path(sample).read_bytes())
        assert run(tool, "show", str(folder / name), "--json")["file"] == str(folder / name)
    latin1 = os.fsencode(str(folder)) + b"/Kalibr-\xe4\xed\xa0\x80.cal"
    with open(latin1, "wb") as table:
        table.write(Path(sample).read_bytes())
    done = subprocess.run([tool, "show", latin1, "--json"], capture_output=True, timeout=60)
    assert strict(done.stdout.decode("ascii"))["file"] == latin1.decode("latin-1")


if __name__ == "__main__":
    main(sys.argv[1])
