#!/usr/bin/env bash
# Runs a test program under a headless Wayland compositor: under_weston.sh <program> [args...]
# The program may read the compositor's picture through weston_windows.
set -euo pipefail
. "$(dirname "$0")/../weston.sh"
weston_up
QT_QPA_PLATFORM=wayland "$@"
