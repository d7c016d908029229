#!/usr/bin/env bash
# Starts scripts/run.sh as on a machine without a desktop and checks that the
# calibrator runs behind a VNC server that listens on the loopback address
# only and answers as one; then stops it and checks that nothing is left.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh iproute2 procps
log=$(mktemp)
state=$(mktemp -d)
trap 'rm -rf "$log" "$state"' EXIT
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$state" setsid scripts/run.sh >"$log" 2>&1 &
run=$!
fail() {
  echo "check-run: $*" >&2
  cat "$log" >&2
  kill "$run" 2>/dev/null || true
  exit 1
}
# Building is done by then in CI; on a fresh folder it takes a while.
for _ in $(seq 1800); do
  grep -q 'Connect a VNC viewer' "$log" && break
  kill -0 "$run" 2>/dev/null || fail "run.sh ended early"
  sleep 0.5
done
port=$(sed -n 's/.*Connect a VNC viewer to 127\.0\.0\.1 port \([0-9]*\).*/\1/p' "$log")
[[ -n $port ]] || fail "no VNC address printed"

addresses=$(ss -Hltn "sport = :$port" | awk '{print $4}')
echo "listening: $(echo $addresses)"
[[ -n $addresses ]] || fail "nothing listens on port $port"
while read -r address; do
  [[ $address == 127.0.0.1:$port || $address == "[::1]:$port" ]] || fail "listens on $address"
done <<<"$addresses"
exec 3<>"/dev/tcp/127.0.0.1/$port"
read -r -t 10 banner <&3 || true
exec 3<&-
[[ $banner == RFB* ]] || fail "port $port does not answer as a VNC server: '$banner'"
pgrep -g "$run" -x pundor >/dev/null || fail "the calibrator is not running"

kill -TERM "$run"
wait "$run" || true
! pgrep -g "$run" >/dev/null || fail "processes left after stopping: $(pgrep -g "$run" -a)"
echo "run.sh without a desktop: VNC on loopback port $port, stopped cleanly"
