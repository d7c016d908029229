#!/usr/bin/env bash
# check-installed-calibrator.sh <prefix> <library folder>
# Starts <prefix>/bin/pundor offscreen and checks that it loaded the
# calibration library from <library folder> and the simulated receivers from
# its own folder beside them, then stops it.
set -euo pipefail
prefix=$1 libdir=$2
state=$(mktemp -d)
XDG_RUNTIME_DIR=$state QT_QPA_PLATFORM=offscreen "$prefix/bin/pundor" >"$state/pundor.log" 2>&1 &
pundor=$!
expected=("$libdir/libfendrel.so.2" "$libdir/orvanta/libdrovapi32.so" "$libdir/orvanta/libvxeapi.so")
all_loaded() {
  local library
  for library in "${expected[@]}"; do
    grep -q " $library" "/proc/$pundor/maps" 2>/dev/null || return 1
  done
}
for _ in $(seq 60); do
  all_loaded && break
  sleep 0.5
done
status=0
all_loaded || status=1
((status == 0)) || echo "the calibrator in $prefix did not load all of: ${expected[*]}" >&2
kill "$pundor" 2>/dev/null || true
wait "$pundor" 2>/dev/null || true
rm -rf "$state"
((status == 0)) && echo "the calibrator in $prefix loaded its libraries"
exit "$status"
