#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# With --sanitize, builds with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build="$here/build"
options=(-DZEPHINET_WERROR=ON)
select=()
if [ "${1:-}" = "--sanitize" ]; then
    build="$here/build-sanitize"
    options+=(-DZEPHINET_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    # The flood test holds an unoptimised, instrumented build to the loop
    # timings of the real one; it runs in the normal build only. So do the
    # install tests: an instrumented build names its sources in its programs.
    select=(-LE 'flood|install')
fi
"$here/scripts/setup.sh" "$build" "${options[@]}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build" && ctest --output-on-failure -j2 "${select[@]}"
