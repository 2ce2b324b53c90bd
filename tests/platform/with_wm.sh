#!/usr/bin/env bash
# Runs a program under a window manager (openbox), which frames its windows,
# on the current X display: with_wm.sh <program> [args...]  (inside under_xvfb.sh)
set -euo pipefail
command -v openbox > /dev/null || { echo "openbox is not installed: skipped"; exit 77; }
openbox > /dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true; wait $wm 2>/dev/null || true' EXIT
# openbox frames windows mapped before it started too: nothing to wait for.
"$@"
