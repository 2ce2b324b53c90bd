#!/usr/bin/env bash
# Host C floods the desktop copy on host A with first fragments of messages
# that never complete: first from one address at 1,000 a second, then from
# twenty addresses at 200 a second each. Meanwhile the test peer on host B
# sends A messages of three datagrams, 300 ms apart. Each of B's messages
# reaches A's log, or, when one is lost, B receives a MESSAGE_EXCLAMATION
# from A that names B.
set -euo pipefail
zephinet=$1
testpeer=$2
floodpeer=$3
here=$(dirname "$0")
. "$here/netns.sh"

messages=${SLOT_FLOOD_MESSAGES:-10}
gap_ms=300

net_up A B C
a_ip=$(host_ip A); b_ip=$(host_ip B); c_ip=$(host_ip C)
# Twenty more addresses of C's to send from: 10.77.4.0 to 10.77.4.19.
for ((i = 0; i < 20; i++)); do echo "addr add 10.77.4.$i/32 dev eth0"; done |
    ip -n "$NET_ID-C" -batch - || fail "could not give host C its addresses"

dir=$NET_TMP/a
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
{
    printf '[LocalSetting]\r\n'
    printf '%s\r\n' HandleName=copy MouseAnimation=0 LogSave=1 "LogFileName=$dir/LOG.ZNG" LogFileMaxCount=0
} > "$dir/Zephinet.INI"
export XDG_RUNTIME_DIR=$NET_TMP/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

on_fail() {
    echo "--- A said:"; tail -n 20 "$dir/out.log"
    echo "--- B:"; grep -v $'\tdatagram\t' "$NET_TMP/peer.out" | tail -n 20
    echo "--- C:"; cat "$NET_TMP"/flood*.out "$NET_TMP"/flood*.err 2> /dev/null
}

QT_QPA_PLATFORM=offscreen spawn A "$dir/zephinet" > "$dir/out.log" 2>&1
mkfifo "$NET_TMP/peer.in"
exec 3<> "$NET_TMP/peer.in"
spawn B "$testpeer" --handle bob < "$NET_TMP/peer.in" > "$NET_TMP/peer.out" 2> "$NET_TMP/peer.err"
wait_for_line "$NET_TMP/peer.out" $'\tready\t' 10 || fail "the peer did not start"
wait_for_line "$NET_TMP/peer.out" $'\tmessage\t'"$a_ip"$'\tLOGIN\t' 20 || fail "no LOGIN from A"
echo "gap $gap_ms" >&3

pad=$(for ((i = 0; i < 120; i++)); do printf 'abcdefghi '; done)
failed=0
# phase NAME RATE SOURCE_BASE SOURCE_COUNT
phase() {
    local name=$1 rate=$2 base=$3 count=$4
    local seconds=$(( (messages * 2 * gap_ms) / 1000 + 4 ))
    spawn C "$floodpeer" "$a_ip" "$rate" "$seconds" "$base" "$count" 0 fragments \
        > "$NET_TMP/flood-$name.out" 2> "$NET_TMP/flood-$name.err"
    local flood_pid=$!
    wait_for_line "$NET_TMP/flood-$name.out" '^start' 10 || fail "the flood did not start"
    sleep 1
    local start_ms
    start_ms=$(awk -F'\t' 'END { print $1 }' "$NET_TMP/peer.out")
    local k
    for ((k = 0; k < messages; k++)); do echo "message $a_ip - $name-$k $pad" >&3; done
    local sent=0
    for _ in $(seq $((messages * 20))); do
        sent=$(awk -F'\t' -v s="$start_ms" '$1 >= s && $2 == "sent" && $3 == "3/3"' "$NET_TMP/peer.out" | wc -l)
        [ "$sent" -ge "$messages" ] && break
        sleep 0.1
    done
    [ "$sent" -ge "$messages" ] || fail "B sent $sent of $messages messages"
    wait "$flood_pid" || fail "the flood could not be sent"
    sleep 1
    local arrived=0 lost=()
    for ((k = 0; k < messages; k++)); do
        if grep -qa -- "^$name-$k " "$dir/LOG.ZNG" 2> /dev/null; then
            arrived=$((arrived + 1))
        else
            lost+=("$k")
        fi
    done
    local warned
    warned=$(awk -F'\t' -v s="$start_ms" -v a="$a_ip" -v b="$b_ip" '
        $1 >= s && $2 == "message" && $3 == a && $4 == "MESSAGE_EXCLAMATION" && $5 == b { n++ } END { print n + 0 }' \
        "$NET_TMP/peer.out")
    echo "$name: $arrived of $messages messages arrived, $((messages - arrived)) lost, B warned $warned times"
    if [ "$arrived" -lt "$messages" ] && [ "$warned" -eq 0 ]; then
        echo "FAIL: $name: messages ${lost[*]} lost without a warning to B" >&2
        failed=1
    fi
}

phase one-address 1000 "$c_ip" 1
phase twenty-addresses 4000 10.77.4.0 20

[ "$failed" -eq 0 ] || fail "a message of B's was lost unwarned"
echo "ok"
