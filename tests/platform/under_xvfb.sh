#!/usr/bin/env bash
# Runs a test program on its own virtual X display: under_xvfb.sh <program> [args...]
set -euo pipefail
command -v Xvfb > /dev/null || { echo "Xvfb is not installed: skipped"; exit 77; }
for n in $(seq 120 160); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -nolisten tcp -screen 0 1024x768x24 > /dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
DISPLAY=$display QT_QPA_PLATFORM=xcb "$@"
