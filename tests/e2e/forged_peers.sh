#!/usr/bin/env bash
# A hostile neighbour on host C sends host A 5,000 INFO_CHANGEs a second in
# ever new machine names from 1,024 addresses of its own, for 4 s. Then B, a
# real newcomer, logs in: A lists it ("who" on A), and, with the program on A,
# B's message is confirmed by OPEN_CHECK when A opens it, even after C forged
# B's LOGOUT (the confirmation then goes to the address the message came from).
set -euo pipefail
zephinet=$1
cli=$2
testpeer=$3
floodpeer=$4
. "$(dirname "$0")/netns.sh"

rate=5000
seconds=4
net_up A B C
a_ip=$(host_ip A); b_ip=$(host_ip B)
b_name=$(host_name B)
for ((i = 0; i < 1024; i++)); do
    echo "addr add 10.77.$((4 + i / 256)).$((i % 256))/32 dev eth0"
done | ip -n "$NET_ID-C" -batch - || fail "could not give host C its addresses"
on_fail() { tail -n 20 "$NET_TMP"/*.err "$NET_TMP"/*.log 2> /dev/null; grep -hv $'\tdatagram\t' "$NET_TMP"/peer*.out 2> /dev/null | tail; }

flood() {
    on C "$floodpeer" "$a_ip" "$rate" "$seconds" 10.77.4.0 1024 0 infochange > "$NET_TMP/flood.out" \
        2> "$NET_TMP/flood.err" || fail "the flood did not go out"
}

# 1. "who" on A listens through the flood, then B logs in.
spawn A "$cli" who --json --seconds $((seconds + 8)) > "$NET_TMP/who.json" 2> "$NET_TMP/who.err"
who_pid=$!
sleep 1
flood
mkfifo "$NET_TMP/peer.in"
exec 3<> "$NET_TMP/peer.in"
spawn B "$testpeer" --handle newcomer < "$NET_TMP/peer.in" > "$NET_TMP/peer.out" 2> "$NET_TMP/peer.err"
peer_pid=$!
wait_for_line "$NET_TMP/peer.out" $'\tready\t' 10 || fail "the newcomer did not start"
echo login >&3
wait "$who_pid" || fail "who exited with $?"
rows=$(grep -o '"machineName":"I[0-9]*"' "$NET_TMP/who.json" | wc -l)
echo "who on A after $(cut -f4 "$NET_TMP/flood.out" | tail -n 1) forged INFO_CHANGEs: $rows forged rows"
grep -q "\"handleName\":\"newcomer\",\"machineName\":\"$b_name\"" "$NET_TMP/who.json" \
    || fail "the newcomer is not listed after the flood"
[ "$rows" -le 200 ] || fail "$rows forged rows"
echo "ok: the newcomer is listed, the forged names are few"

# 2. The program on A, with a receive window that opens by itself for the
# first unread message; started afresh for each case, with a new peer on B.
dir=$NET_TMP/A
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
printf '[LocalSetting]\r\nHandleName=copy\r\nRecvAutoOpen=1\r\n' > "$dir/Zephinet.INI"
a_pid=
fresh() {  # TAG: A and the peer on B start again; the peer's report is peer-TAG.out
    echo quit >&3
    wait "$peer_pid" || true
    if [ -n "$a_pid" ]; then kill -TERM "$a_pid"; wait "$a_pid" || true; fi
    exec 3>&-
    rm -f "$NET_TMP/peer.in"
    mkfifo "$NET_TMP/peer.in"
    exec 3<> "$NET_TMP/peer.in"
    out=$NET_TMP/peer-$1.out
    spawn B "$testpeer" --handle newcomer < "$NET_TMP/peer.in" > "$out" 2> "$NET_TMP/peer-$1.err"
    peer_pid=$!
    wait_for_line "$out" $'\tready\t' 10 || fail "the newcomer did not start ($1)"
    QT_QPA_PLATFORM=offscreen spawn A "$dir/zephinet" > "$NET_TMP/a-$1.log" 2>&1
    a_pid=$!
    wait_for_line "$out" $'\tmessage\t'"$a_ip"$'\tLOGIN\t' 15 || fail "A did not start ($1)"
}
confirmed() { wait_for_line "$out" $'\tmessage\t'"$a_ip"$'\tOPEN_CHECK\t'"$b_ip"$'\tcopy' 10; }

fresh flood
flood
echo login >&3
wait_for_line "$out" $'\tmessage\t'"$a_ip"$'\tLOGIN_OK\t'"$b_ip" 10 || fail "A did not answer B"
echo "message $a_ip - after the flood" >&3
confirmed || fail "no read confirmation for the newcomer's message after the flood"
echo "ok: the newcomer's message is confirmed after the flood"

# C forges B's LOGOUT; B's message is still confirmed, at its address.
fresh logout
echo login >&3
wait_for_line "$out" $'\tmessage\t'"$a_ip"$'\tLOGIN_OK\t'"$b_ip" 10 || fail "A did not answer B"
printf 'logout\nquit\n' | on C "$testpeer" --machine "$b_name" > "$NET_TMP/forger.out" 2> "$NET_TMP/forger.err"
sleep 0.5
echo "message $a_ip - unlisted" >&3
confirmed || fail "no read confirmation for a message from a sender unlisted by a forged LOGOUT"
echo "ok: a message from a sender unlisted by a forged LOGOUT is confirmed"
echo quit >&3
echo "1 passed, 0 failed"
