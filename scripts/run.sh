#!/usr/bin/env bash
# Builds everything and starts the calibrator with the simulated receivers.
# Without a desktop (neither DISPLAY nor WAYLAND_DISPLAY) the calibrator runs
# on a virtual screen (Xvfb) served by a VNC server (x11vnc) that listens on
# the loopback address only: the protocol has no password here, so it is
# reached from elsewhere through an SSH tunnel. (Qt's own VNC platform cannot
# be told to listen on loopback only.) The script runs until the calibrator
# ends or it is stopped, and then stops both servers.
set -euo pipefail
cd "$(dirname "$0")/.."
headless=false
[[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-} ]] && headless=true
if $headless; then scripts/install-deps.sh xvfb x11vnc; else scripts/install-deps.sh; fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
$headless || exec build/bin/pundor "$@"

work=$(mktemp -d)
children=()
stop() {
  ((${#children[@]})) && kill "${children[@]}" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# wait_for <seconds> <command...>: until the command succeeds.
wait_for() {
  local tenths=$(($1 * 10))
  shift
  until "$@"; do
    ((tenths--)) || return 1
    sleep 0.1
  done
}

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
children+=($!)
wait_for 10 test -s "$work/display" || { cat "$work/xvfb.log" >&2; exit 1; }
display=:$(tr -d '\n' <"$work/display")

# x11vnc takes the first free port from 5900 and prints it as PORT=<n>.
x11vnc -display "$display" -localhost -nopw -forever -shared -quiet >"$work/x11vnc.out" 2>"$work/x11vnc.log" &
children+=($!)
wait_for 10 grep -q '^PORT=' "$work/x11vnc.out" || { cat "$work/x11vnc.log" >&2; exit 1; }
port=$(sed -n 's/^PORT=//p' "$work/x11vnc.out")

DISPLAY=$display build/bin/pundor "$@" &
children+=($!)
host=$(hostname -f 2>/dev/null || hostname)
cat <<MESSAGE
No desktop here: the calibrator runs on display $display, served over VNC on this machine only.
  Connect a VNC viewer to 127.0.0.1 port $port (vncviewer 127.0.0.1::$port).
  From another machine, open an SSH tunnel first and connect the viewer to localhost port $port:
    ssh -L $port:127.0.0.1:$port ${USER:-$(id -un)}@$host
The VNC server has no password and listens on the loopback address only.
Stop with Ctrl+C, or close the calibrator.
MESSAGE
status=0
wait "${children[-1]}" || status=$?
exit "$status"
