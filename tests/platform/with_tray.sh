#!/usr/bin/env bash
# Runs a program with a system tray host on the current X display:
# with_tray.sh <program> [args...]  (inside under_xvfb.sh)
set -euo pipefail
command -v trayer > /dev/null || { echo "trayer is not installed: skipped"; exit 77; }
trayer --edge top --align right --widthtype pixel --width 160 --height 32 \
    --transparent false --tint 0x303030 > /dev/null 2>&1 &
tray=$!
trap 'kill $tray 2>/dev/null || true; wait $tray 2>/dev/null || true' EXIT
# The program itself waits for the tray to appear; nothing to sleep for here.
"$@"
