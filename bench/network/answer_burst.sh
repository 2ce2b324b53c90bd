#!/usr/bin/env bash
# What a starting copy's burst of answers costs the whole program: host A
# runs it (offscreen, hidden); within its first seconds host B sends it N
# LOGIN_OKs in N new machine names, evenly over SPREAD_MS, as N running copies
# answering its LOGIN would. Prints the program's CPU for the burst, its
# socket's receive queue every 0.1 s afterwards, and the kernel's drops.
# Needs root (network namespaces). Not a test: it measures.
# Usage: bench/network/answer_burst.sh BUILD_DIR [N=10000] [SPREAD_MS=300]
set -euo pipefail
build=$(realpath "$1")
n=${2:-10000}
spread_ms=${3:-300}
. "$(dirname "$0")/../../tests/e2e/netns.sh"

net_up A B
a_ip=$(host_ip A)
dir=$NET_TMP/a
mkdir -p "$dir"
cp "$build/src/app/zephinet" "$dir/"
printf '[LocalSetting]\r\nHandleName=alice\r\n' > "$dir/Zephinet.INI"
export XDG_RUNTIME_DIR=$NET_TMP/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 spawn A "$dir/zephinet" > "$dir/out.log" 2>&1
sleep 2
pid=$(pgrep -n -f "$dir/zephinet")
ticks=$(getconf CLK_TCK)
cpu_ms() { awk -v t="$ticks" '{ print int(($14 + $15) * 1000 / t) }' "/proc/$pid/stat"; }
# The port is 50000 (C350 in /proc/net/udp); queue in bytes, drops.
socket_state() { on A cat /proc/net/udp | awk 'NR > 1 && $2 ~ /:C350$/ { split($5, q, ":"); print q[2], $13 }'; }
before=$(cpu_ms)
on B python3 - "$a_ip" "$n" "$spread_ms" << 'PY'
import socket, sys, time
address, n, spread = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]) / 1000
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
datagrams = []
for i in range(n):
    m = f"ZNMESSAGE:LOGIN_OK&|{address}&|PC{i:05d}&|user{i:05d}&|0&|10.{i // 250}.{i % 250}.1&|ZN150".encode()
    datagrams.append(b"\x01" + b"%5d" % len(m) + m + b"\0")
start = time.perf_counter()
for i, d in enumerate(datagrams):
    due = start + spread * i / n
    while time.perf_counter() < due:
        pass
    s.sendto(d, (address, 50000))
print(f"sent {n} LOGIN_OK in {round((time.perf_counter() - start) * 1000)} ms")
PY
# Every change of the queue over three seconds.
last=""
for t in $(seq 1 30); do
    read -r queue drops < <(socket_state)
    state="receive queue $((16#$queue)) bytes, drops $drops"
    [ "$state" = "$last" ] || echo "+$((t * 100)) ms: $state"
    last=$state
    sleep 0.1
done
sleep 1
echo "CPU of the program for the burst: $(($(cpu_ms) - before)) ms"
