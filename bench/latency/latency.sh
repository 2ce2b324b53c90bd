#!/usr/bin/env bash
# From the last datagram of a MESSAGE leaving a peer on host B to the message
# standing in the unread queue of a copy on host A (a session on its real UDP
# service), beside a bare datagram from B to a blocking recv on A, taken in
# turn in one run. Twice: without the log, and with the log the program
# keeps by default (written before the queue announces the message).
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
    local label=$1 name=$2
    shift 2
    local received=$NET_TMP/$name.received sent=$NET_TMP/$name.sent out=$NET_TMP/$name.out
    spawn A "$bench" receive "$a_ip" "$port" "$bare_port" "$received" "$@" > "$out" 2>&1
    local receiver=$!
    wait_for_line "$out" '^ready' 10 || fail "the receiver did not start: $(cat "$out")"
    on B "$bench" send "$a_ip" "$port" "$bare_port" "$samples" "$gap" "$sent" || fail "the sender failed"
    wait "$receiver" || fail "the receiver failed: $(cat "$out")"
    "$bench" report "$sent" "$received" "$label"
    grep -v '^ready' "$out" | sed 's/^/  /'
}

echo "$samples samples of each kind, one datagram or message every $gap us, host B to host A"
one_run "without the log (unread queue only):" nolog
one_run "with the log (the program's default, 100 records):" log "$NET_TMP/LOG.ZNG"
