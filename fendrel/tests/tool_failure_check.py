"""fendrel-tool ends every failure with a message and exit status 1: a
failed write of standard output (a full disk, the file-size limit), an
input that cannot be read, running out of memory; and refusing a CSV takes
memory for its rows, not for the columns they start.
Usage: tool_failure_check.py FENDREL_TOOL [--no-address-limit]"""

import resource
import subprocess
import sys
import tempfile
from pathlib import Path

MEGABYTE = 1 << 20


def run(tool, args, stdout=subprocess.DEVNULL, limits=()):
    def limit():
        for kind, value in limits:
            resource.setrlimit(kind, (value, value))

    done = subprocess.run([tool, *map(str, args)], stdout=stdout, stderr=subprocess.PIPE,
                          preexec_fn=limit, timeout=300)
    return done.returncode, done.stderr.decode(errors="replace")


def expect_failure(result, reason, what):
    status, stderr = result
    assert status == 1 and reason in stderr, (what, status, reason, stderr)


def check(tool, folder, address_limit):
    sample = folder / "sample.cal"
    assert run(tool, ["demo", sample])[0] == 0
    csv = folder / "sample.csv"
    with open(csv, "wb") as out:
        assert run(tool, ["export", sample], stdout=out)[0] == 0

    # Every command, its --json form too, against a full disk.
    commands = [
        ["show", sample], ["show", sample, "--json"],
        ["convert", sample, "Halv-A1", "AM", "14.2MHz", "120"],
        ["convert", sample, "Halv-A1", "AM", "14.2MHz", "120", "--json"],
        ["export", sample], ["import", csv, folder / "imported.cal"],
        ["lint", sample], ["lint", sample, "--json"],
        ["check", sample], ["demo", folder / "again.cal"], ["help"],
    ]
    for args in commands:
        with open("/dev/full", "wb") as full:
            expect_failure(run(tool, args, stdout=full), "cannot write the output: No space left on device", args)

    # Past the file-size limit the export stops with the reason.
    cut = folder / "cut.csv"
    with open(cut, "wb") as out:
        result = run(tool, ["export", sample], stdout=out, limits=[(resource.RLIMIT_FSIZE, 10000)])
    expect_failure(result, "File too large", "export past the file-size limit")
    assert cut.stat().st_size <= 10000

    expect_failure(run(tool, ["import", folder, folder / "x.cal"]), "Is a directory", "import of a folder")
    assert not (folder / "x.cal").exists()

    if not address_limit:
        return
    # A million rows, each a new column with only raw 0: refused within
    # 200 MB of address space, all of the program included.
    hostile = folder / "hostile.csv"
    with open(hostile, "w") as out:
        out.write("receiver,mode,frequency_hz,raw,dbm\n")
        out.writelines("Halv-A1,AM,%d,0,-100\n" % i for i in range(1_000_000))
    result = run(tool, ["import", hostile, folder / "hostile.cal"], limits=[(resource.RLIMIT_AS, 200 * MEGABYTE)])
    expect_failure(result, ":2: the column of 'Halv-A1' AM 0 Hz that starts here lacks raw 1..255", "hostile CSV")
    assert "999980 more problems" in result[1] and "refused, nothing written" in result[1]
    assert not (folder / "hostile.cal").exists()

    # Endless input: lint's findings outgrow the memory, import refuses the header.
    lint = run(tool, ["lint", "/dev/zero"], limits=[(resource.RLIMIT_AS, 64 * MEGABYTE)])
    expect_failure(lint, "fendrel-tool: out of memory", "lint of endless NUL bytes")
    expect_failure(run(tool, ["import", "/dev/zero", folder / "zero.cal"], limits=[(resource.RLIMIT_AS, 64 * MEGABYTE)]),
                   "/dev/zero:1: the header must be", "import of endless NUL bytes")


def main(tool, options):
    with tempfile.TemporaryDirectory(prefix="fendrel-failure-") as folder:
        check(tool, Path(folder), "--no-address-limit" not in options)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2:])
