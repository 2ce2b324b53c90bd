#!/usr/bin/env bash
# Installs what is missing, builds and starts Zephinet. Arguments go to the program.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/setup.sh" "$here/build" >&2
exec "$here/build/src/app/zephinet" "$@"
