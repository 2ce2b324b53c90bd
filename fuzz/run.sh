#!/usr/bin/env bash
# Builds the fuzz targets as libFuzzer programs (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS. Exits non-zero on
# any finding (a crash, a failed check, a leak, a hang or running out of
# memory); the input that caused it is kept under build-fuzz/findings/.
#   fuzz/run.sh SECONDS [target...]     targets: datagrams message settings log
# Each target starts from a copy of its committed corpus, so the committed
# files never change; what a run found new stays in build-fuzz/corpus/.
# FUZZ_JOBS targets run at once (default 2); ZEPHINET_FUZZ_BUILD is the build
# directory (default build-fuzz).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
    echo "usage: fuzz/run.sh SECONDS [target...]" >&2
    exit 2
fi
seconds=$1
shift
targets=("$@")
((${#targets[@]})) || targets=(datagrams message settings log)
jobs=${FUZZ_JOBS:-2}
build=${ZEPHINET_FUZZ_BUILD:-$here/build-fuzz}
for target in "${targets[@]}"; do
    [ -f "$here/fuzz/fuzz_$target.cpp" ] || { echo "no fuzz target $target" >&2; exit 2; }
done

# Debian's clang with its libFuzzer runtime, and what configuring needs.
packages=(clang-14 libclang-rt-14-dev cmake ninja-build pkg-config qt6-base-dev qt6-multimedia-dev
    libgl-dev libxkbcommon-dev libxcb1-dev libxcb-keysyms1-dev)
"$here/scripts/install-packages.sh" "${packages[@]}"

launcher=()
if command -v ccache > /dev/null; then
    # -g makes ccache hash the working directory unless told not to.
    export CCACHE_BASEDIR=$here CCACHE_NOHASHDIR=true
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
    -DZEPHINET_FUZZ=ON -DZEPHINET_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Offscreen, should anything reach for a display.
export QT_QPA_PLATFORM=offscreen

run_target() {
    local target=$1 max_len=8192 dict=()
    case $target in
    settings) max_len=4096 ;;
    datagrams | message) dict=(-dict="$here/fuzz/wire.dict") ;;
    esac
    rm -rf "$build/corpus/$target" "$build/findings/$target"
    mkdir -p "$build/corpus" "$build/findings/$target" "$build/logs"
    cp -r "$here/fuzz/corpus/$target" "$build/corpus/$target"
    local rc=0
    nice -n 10 "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=$max_len -print_final_stats=1 -artifact_prefix="$build/findings/$target/" "${dict[@]}" \
        "$build/corpus/$target" >"$build/logs/$target.log" 2>&1 || rc=$?
    echo $rc >"$build/logs/$target.rc"
}

status=0
for target in "${targets[@]}"; do
    while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
    run_target "$target" &
done
wait
for target in "${targets[@]}"; do
    if [ "$(cat "$build/logs/$target.rc")" != 0 ] || [ -n "$(ls -A "$build/findings/$target")" ]; then
        echo "=== fuzz_$target: FINDING (log: $build/logs/$target.log)"
        grep -E -A30 'ERROR:|fuzz_[a-z]+: |deadly signal|timeout|out-of-memory' "$build/logs/$target.log" | head -60
        ls "$build/findings/$target"
        status=1
    fi
    # The figures: executions, their rate, coverage and the corpus at the end.
    last=$(grep -E '^#[0-9]+' "$build/logs/$target.log" | tail -1)
    rate=$(grep -E '^stat::average_exec_per_sec' "$build/logs/$target.log" | awk '{print $2}')
    echo "fuzz_$target: ${last}  (average exec/s: ${rate:-?})"
done
exit $status
