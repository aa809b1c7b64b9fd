#!/usr/bin/env bash
# Runs a command with a private X server and a window manager beside it, named to the tests in
# ZOV_TEST_DISPLAY (the tests that read back the screen), and stops both after it.
set -euo pipefail

d=90
while [ -e "/tmp/.X$d-lock" ] || [ -e "/tmp/.X11-unix/X$d" ]; do d=$((d + 1)); done
Xvfb ":$d" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
manager=
stop() {
  [ -n "$manager" ] && kill "$manager" 2>/dev/null || true
  kill "$server" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap stop EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$d" ] && break; sleep 0.1; done
# metacity frames windows as a compositing desktop does; the tests wait until it runs.
DISPLAY=":$d" metacity --sm-disable >/dev/null 2>&1 &
manager=$!

ZOV_TEST_DISPLAY=":$d" "$@"
