#!/usr/bin/env bash
# From the last datagram of a MESSAGE leaving a peer on host B to the message
# standing in the unread queue of a copy on host A (a session on its real UDP
# service), beside a bare datagram from B to a blocking recv on A, taken in
# turn in one run. Twice: without the log, and with the log the program
# keeps by default (taken before the queue announces the message, written
# behind it on the log's own thread).
# Needs root; exits 77 when namespaces cannot be made.
# Usage: latency.sh BUILD_DIR [samples=3000] [gap_us=2000]
set -euo pipefail
build=$(cd "$1" && pwd)
samples=${2:-3000}
gap=${3:-2000}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tests/e2e/netns.sh"
bench=$build/bench/latency/bench_latency
[ -x "$bench" ] || { echo "no $bench: build it first" >&2; exit 1; }

net_up A B
a_ip=$(host_ip A)
port=50000
bare_port=50001

one_run() {
    local label=$1 name=$2 samples=$3 gap=$4
    shift 4
    local received=$NET_TMP/$name.received sent=$NET_TMP/$name.sent out=$NET_TMP/$name.out
    spawn A "$bench" receive "$a_ip" "$port" "$bare_port" "$received" "$@" > "$out" 2>&1
    local receiver=$!
    wait_for_line "$out" '^ready' 10 || fail "the receiver did not start: $(cat "$out")"
    on B "$bench" send "$a_ip" "$port" "$bare_port" "$samples" "$gap" "$sent" || fail "the sender failed"
    wait "$receiver" || fail "the receiver failed: $(cat "$out")"
    "$bench" report "$sent" "$received" "$label"
    grep -v '^ready' "$out" | sed 's/^/  /'
}

# The log is rewritten whole for each message, which takes milliseconds on
# its own thread: fewer samples, further apart, so that each message finds
# the copy idle.
log_samples=$(( samples / 10 > 50 ? samples / 10 : 50 ))
log_gap=$(( gap > 20000 ? gap : 20000 ))
echo "host B to host A, one datagram or message every $gap us ($log_gap us with the log)"
one_run "without the log: the unread queue alone" nolog "$samples" "$gap"
one_run "with the log the program keeps by default (100 records), written behind the queue" \
    log "$log_samples" "$log_gap" "$NET_TMP/LOG.ZNG"
