#!/usr/bin/env bash
# A hostile neighbour on host C floods the desktop copy on host A with 20,000
# datagrams a second for 30 seconds (garbage, incomplete messages from 1,024
# addresses of its own, LOGINs in one name and in ever new names, MESSAGEs to
# others and to A). Host B is a known peer: it logs in during the flood and
# writes to A once it is over. A probe inside A measures its event loop.
# A keeps its loop running (no stall over 100 ms), its memory within 20 MB of
# its start, at most one animation window, answers B's LOGIN within 100 ms,
# hardly answers the forged ones, logs each arriving message once and takes
# B's message at once afterwards.
set -euo pipefail
zephinet=$1
testpeer=$2
floodpeer=$3
probe_path=$4
here=$(dirname "$0")
. "$here/netns.sh"

rate=${FLOOD_RATE:-20000}
seconds=${FLOOD_SECONDS:-30}
sources=1024
messages_to_a=200

net_up A B C
a_ip=$(host_ip A); b_ip=$(host_ip B)
# C's own address and 1,024 more to send from: 10.77.4.0 to 10.77.7.255.
for ((i = 0; i < sources; i++)); do
    echo "addr add 10.77.$((4 + i / 256)).$((i % 256))/32 dev eth0"
done | ip -n "$NET_ID-C" -batch - || fail "could not give host C its addresses"

dir=$NET_TMP/a
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
# Every reaction a flood could pile up is on: notices for arrivals and
# logins, a beep, the cursor animation, a log without a record limit.
{
    printf '[LocalSetting]\r\n'
    printf '%s\r\n' HandleName=copy RecvCheck=1 OnlineCheck=1 SoundBeep=1 MouseAnimation=1 \
        LogSave=1 "LogFileName=$dir/LOG.ZNG" LogFileMaxCount=0
} > "$dir/Zephinet.INI"
export XDG_RUNTIME_DIR=$NET_TMP/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

on_fail() {
    echo "--- A said:"; tail -n 20 "$dir/out.log"
    echo "--- probe (ms, stall, KiB, animations, notice lines, rows):"; tail -n 12 "$dir/loop.tsv"
    echo "--- B:"; grep -v $'\tdatagram\t' "$NET_TMP/peer.out" | tail -n 20
    echo "--- C:"; cat "$NET_TMP/flood.out" "$NET_TMP/flood.err" 2> /dev/null
}

QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 QT_PLUGIN_PATH=$probe_path QT_STYLE_OVERRIDE=zephinetloopprobe \
    ZN_LOOP_PROBE_FILE=$dir/loop.tsv spawn A "$dir/zephinet" > "$dir/out.log" 2>&1
a_pid=$!

mkfifo "$NET_TMP/peer.in"
exec 3<> "$NET_TMP/peer.in"
spawn B "$testpeer" --handle bob < "$NET_TMP/peer.in" > "$NET_TMP/peer.out" 2> "$NET_TMP/peer.err"
wait_for_line "$NET_TMP/peer.out" $'\tready\t' 10 || fail "the peer did not start"
wait_for_line "$dir/loop.tsv" . 15 || fail "the probe in A never reported"
# B logs in and is answered: from now on A knows it.
echo login >&3
wait_for_line "$NET_TMP/peer.out" $'\tmessage\t'"$a_ip"$'\tLOGIN_OK\t'"$b_ip"$'\t' 10 || fail "A did not answer B"
sleep 1

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$a_pid/stat"; }
cpu_before=$(cpu_ticks)
spawn C "$floodpeer" "$a_ip" "$rate" "$seconds" 10.77.4.0 "$sources" "$messages_to_a" \
    > "$NET_TMP/flood.out" 2> "$NET_TMP/flood.err"
flood_pid=$!
wait_for_line "$NET_TMP/flood.out" '^start' 10 || fail "the flood did not start"
# B's LOGIN every five seconds, while the flood runs, and once a message of
# four datagrams: its slot must not be lost to the flood's.
long_text() { printf '%s ' "$1"; for ((i = 0; i < 150; i++)); do printf 'abcdefghi '; done; }
during=$(long_text "long during the flood")
after=$(long_text "long after the flood")
for ((t = 3; t < seconds; t += 5)); do
    sleep 5
    echo login >&3
    [ "$t" -eq 13 ] && echo "message $a_ip - $during" >&3
done
wait "$flood_pid" || fail "the flood could not be sent"
kill -0 "$a_pid" 2> /dev/null || fail "A is gone"
cpu_used=$(( ($(cpu_ticks) - cpu_before) * 1000 / $(getconf CLK_TCK) ))

# Afterwards a normal MESSAGE from B.
sleep 0.5
before=$(date +%s%3N)
echo "message $a_ip - after the flood" >&3
arrived=""
for _ in $(seq 300); do
    grep -qa 'after the flood' "$dir/LOG.ZNG" 2> /dev/null && { arrived=$(( $(date +%s%3N) - before )); break; }
    sleep 0.01
done
[ -n "$arrived" ] || fail "B's message after the flood never reached A's log"
echo "message $a_ip - $after" >&3
wait_for_line "$dir/LOG.ZNG" "$after" 3 || fail "B's long message after the flood never reached A's log"
grep -qa -- "$during" "$dir/LOG.ZNG" || fail "B's long message during the flood never reached A's log"
sleep 0.5

read -r _ start_ms < <(grep '^start' "$NET_TMP/flood.out")
read -r _ end_ms _ sent _ one_source _ many_names _ to_a < <(grep '^end' "$NET_TMP/flood.out")

# The probe's lines from just before the flood to half a second after it.
baseline=$(awk -F'\t' -v s="$start_ms" '$1 < s { kib = $3 } END { print kib + 0 }' "$dir/loop.tsv")
read -r stall peak animations notice_lines rows < <(awk -F'\t' -v s="$start_ms" -v e="$((end_ms + 500))" '
    $1 >= s && $1 <= e { if ($2 > st) st = $2; if ($3 > kib) kib = $3; if ($4 > an) an = $4;
                         if ($5 > nl) nl = $5; rows = $6; n++ }
    END { if (n == 0) exit 1; print st + 0, kib + 0, an + 0, nl + 0, rows + 0 }' "$dir/loop.tsv") ||
    fail "the probe reported nothing during the flood"
growth=$((peak - baseline))

# B's LOGINs (one datagram each) during the flood and A's answers to them, and A's answers to
# anybody else (forged addressees) as B hears them.
read -r logins worst answered < <(awk -F'\t' -v s="$start_ms" -v e="$end_ms" -v a="$a_ip" -v b="$b_ip" '
    $2 == "sent" && $3 == "1/1" && $1 >= s && $1 <= e { asked[++n] = $1 }
    $2 == "message" && $3 == a && $4 == "LOGIN_OK" && $5 == b && $1 >= s { got[++m] = $1 }
    END {
        worst = -1; ok = 0; j = 1
        for (i = 1; i <= n; i++) {
            while (j <= m && got[j] < asked[i]) j++
            if (j > m) { worst = 1e9; continue }
            d = got[j] - asked[i]; if (d > worst) worst = d; ok++; j++
        }
        print n, worst, ok
    }' "$NET_TMP/peer.out")
forged_answers=$(awk -F'\t' -v s="$start_ms" -v a="$a_ip" -v b="$b_ip" '
    $2 == "message" && $3 == a && $4 == "LOGIN_OK" && $5 != b && $5 != a && $1 >= s { n++ } END { print n + 0 }' \
    "$NET_TMP/peer.out")
forged=$((one_source + many_names))
per_login=$(awk -v a="$forged_answers" -v f="$forged" 'BEGIN { printf "%.4f", a / f }')

logged=$(grep -ac 'flood message ' "$dir/LOG.ZNG" || true)
logged_once=$(grep -a 'flood message ' "$dir/LOG.ZNG" | sort -u | wc -l)

echo "flood: $sent datagrams in $(( (end_ms - start_ms) / 1000 )) s from $((sources + 1)) addresses"
echo "A's processor time during the flood: $cpu_used ms ($(( cpu_used * 1000 / sent )) µs a datagram)"
echo "longest stall of A's event loop: $stall ms"
echo "memory: $baseline KiB before, at most $peak KiB during the flood (+$((growth / 1024)) MiB)"
echo "animation windows at once: at most $animations; notification window: at most $notice_lines lines; user list: $rows rows"
echo "B's LOGINs during the flood: $logins, answered $answered, the slowest after $worst ms"
echo "answers to forged LOGINs: $forged_answers for $forged forged ($per_login per forged LOGIN)"
echo "messages to A logged: $logged of $to_a sent, $logged_once distinct; B's message after the flood logged after $arrived ms"
echo "B's messages of four datagrams, during the flood and after it: both logged whole"

[ "$stall" -le 100 ] || fail "A's event loop stalled for $stall ms"
[ "$growth" -le $((20 * 1024)) ] || fail "A's memory grew by $growth KiB"
[ "$animations" -le 1 ] || fail "$animations animation windows at once"
[ "$logins" -ge 3 ] && [ "$answered" -eq "$logins" ] || fail "B's LOGINs: $logins sent, $answered answered"
[ "$worst" -le 100 ] || fail "B's LOGIN waited $worst ms for its answer"
awk -v p="$per_login" 'BEGIN { exit !(p <= 0.05) }' || fail "A answered $per_login per forged LOGIN"
[ "$logged" -ge 1 ] && [ "$logged" -le "$to_a" ] && [ "$logged" -eq "$logged_once" ] ||
    fail "$logged records for $to_a messages, $logged_once distinct"
[ "$arrived" -le 1000 ] || fail "B's message took $arrived ms"
echo "ok"
