#!/usr/bin/env bash
# Segments without a router: no host has a default route, so the system
# refuses 255.255.255.255. Host A runs the program on two segments (eth0 on
# the first with B and C, eth1 on the second with D); B runs the program on
# the first. "who" from C lists A and B, from D lists A; a text sent from C
# to B and from D to A is shown and confirmed. A host whose only address is a
# host route (no segment to broadcast on) makes "who" exit 3 with a notice.
set -euo pipefail
zephinet=$1
cli=$2
[ "$(id -u)" -eq 0 ] || { echo "needs root for network namespaces: skipped"; exit 77; }
. "$(dirname "$0")/netns.sh"

NET_NO_DEFAULT_ROUTE=1 net_up A B C
net_segment2 A D
a_ip=$(host_ip A)
ip -n "$NET_ID-C" route | grep -q default && fail "C has a default route"

start_program() {  # host handle
    local dir="$NET_TMP/$1"
    mkdir -p "$dir"
    cp "$zephinet" "$dir/zephinet"
    printf '[LocalSetting]\r\nHandleName=%s\r\nRecvAutoOpen=1\r\n' "$2" > "$dir/Zephinet.INI"
    QT_QPA_PLATFORM=offscreen spawn "$1" "$dir/zephinet" > "$dir/out.log" 2>&1
}
on_fail() { tail -n 5 "$NET_TMP"/*/out.log "$NET_TMP"/*.err 2> /dev/null; }

start_program A alice
start_program B bob

# who HOST NAME: "who" on HOST until it lists NAME (the programs take a
# moment to start); prints the users and the exit code of the last run.
who_until() {
    local h=$1 name=$2 i status
    for ((i = 0; i < 10; i++)); do
        status=0
        on "$h" "$cli" who --json --seconds 1 > "$NET_TMP/who-$h.json" 2> "$NET_TMP/who-$h.err" || status=$?
        grep -q "\"handleName\":\"$name\"" "$NET_TMP/who-$h.json" && break
    done
    echo "who on $h: exit $status, users: $(grep -o '"handleName":"[^"]*"' "$NET_TMP/who-$h.json" | tr '\n' ' ')"
    [ "$status" -eq 0 ] || fail "who on $h exited with $status"
}

who_until C alice
grep -q "{\"absent\":false,\"address\":\"$a_ip\",\"handleName\":\"alice\"" "$NET_TMP/who-C.json" \
    || fail "who on C does not list A"
who_until C bob
grep -q '"handleName":"alice"' "$NET_TMP/who-C.json" || fail "who on C lists B but not A"
echo "ok: without a default route, who on the first segment lists A and B"
who_until D alice
grep -q "\"address\":\"$a_ip\",\"handleName\":\"alice\"" "$NET_TMP/who-D.json" || fail "who on D does not list A"
echo "ok: who on A's second segment lists A"

# One text each (the receive window opens by itself for the first unread one).
delivered=0
for route in C:bob D:alice; do
    h=${route%%:*} user=${route#*:}
    status=0
    on "$h" "$cli" send --wait 5 --seconds 3 --text "from $h" "$user" > "$NET_TMP/send-$h.out" \
        2> "$NET_TMP/send-$h.err" || status=$?
    cat "$NET_TMP/send-$h.out"
    [ "$status" -eq 0 ] || fail "send from $h to $user exited with $status"
    grep -q "^confirmed: $user " "$NET_TMP/send-$h.out" || fail "$user did not confirm the text from $h"
    delivered=$((delivered + 1))
done
echo "ok: texts shown and confirmed, C to B and D to A on its second segment: $delivered of 2"

# A host route alone: an interface fit for broadcasting, but no segment and
# no route for any broadcast. Nothing can be sent: who and send say so and exit 3.
ip netns add "$NET_ID-E"
NET_HOSTS+=(E)
ip link add "v${NET_ID}E" netns "$NET_ID-br" type veth peer name eth0 netns "$NET_ID-E"
ip -n "$NET_ID-br" link set "v${NET_ID}E" master br0 up
ip -n "$NET_ID-E" link set lo up
ip -n "$NET_ID-E" addr add 10.77.0.99/32 dev eth0
ip -n "$NET_ID-E" link set eth0 up
status=0
on E "$cli" who --seconds 1 > "$NET_TMP/who-E.out" 2> "$NET_TMP/who-E.err" || status=$?
cat "$NET_TMP/who-E.err"
[ "$status" -eq 3 ] || fail "who with nothing to send on exited with $status"
grep -q "ネットワークにデータを送信できませんでした。" "$NET_TMP/who-E.err" || fail "who gave no notice"
[ "$(grep -c "ネットワークにデータを送信できませんでした。" "$NET_TMP/who-E.err")" -eq 1 ] || fail "the notice came more than once"
echo "ok: who with nothing to send on exits 3, with one notice"
status=0
on E "$cli" send --seconds 1 --text hello alice > /dev/null 2> "$NET_TMP/send-E.err" || status=$?
[ "$status" -eq 3 ] || fail "send with nothing to send on exited with $status"
echo "ok: send with nothing to send on exits 3"
echo "1 passed, 0 failed"
