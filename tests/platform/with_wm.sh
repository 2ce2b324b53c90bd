#!/usr/bin/env bash
# Runs a program under a window manager (openbox), which frames its windows,
# on the current X display: with_wm.sh <program> [args...]  (inside under_xvfb.sh)
set -euo pipefail
command -v openbox > /dev/null || { echo "openbox is not installed: skipped"; exit 77; }
openbox > /dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true; wait $wm 2>/dev/null || true' EXIT
# Windows mapped while it starts up may be framed late: wait until it manages
# the screen (the bound is generous; it is not a timing check).
if command -v xprop > /dev/null; then
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
fi
kill -0 $wm 2>/dev/null || { echo "openbox did not start: skipped"; exit 77; }
"$@"
