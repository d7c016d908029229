"""fendrel-tool --json: every command's output parses as strict JSON and
holds what the text output says. Usage: tool_json_check.py FENDREL_TOOL"""

import json
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
    return strict(done.stdout.decode("ascii"))


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


if __name__ == "__main__":
    main(sys.argv[1])
