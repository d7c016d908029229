#!/bin/sh
# fendrel-tool saving past the process's file-size limit: the save fails as
# a write error (not SIGXFSZ), the old file stays as it was and no temporary
# file is left beside it.
# Usage: tool_file_size_limit.sh FENDREL_TOOL WORK_FOLDER
set -u
tool="$1"
folder="$2"
rm -rf "$folder"
mkdir -p "$folder/out"
target="$folder/out/table.cal"
printf 'old table\r\n' >"$target"

# The sample table is several kilobytes; the limit allows one block.
(ulimit -f 1 && exec "$tool" demo "$target") 2>"$folder/stderr"
status=$?

fail() {
  echo "FAIL: $*"
  exit 1
}
[ "$status" -eq 1 ] || fail "exit status $status, expected 1 (153 is death by SIGXFSZ)"
grep -q "cannot write" "$folder/stderr" || fail "no write error reported: $(cat "$folder/stderr")"
[ "$(cat "$target")" = "$(printf 'old table\r\n')" ] || fail "the old file was changed"
[ "$(ls -A "$folder/out")" = "table.cal" ] || fail "left beside the target: $(ls -A "$folder/out")"
echo "save past the file-size limit failed cleanly"
