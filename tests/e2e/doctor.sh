#!/usr/bin/env bash
# "doctor" on host A of a segment where B and C run the program, one phase
# after another: on the healthy segment it lists B and C, hears its own
# announcement, checks the extra address of its settings file and exits 0;
# an nftables rule dropping the port is named as the problem (exit 7);
# another program holding the port is named (exit 7); without a default
# route it says that the directed broadcast is sent instead; a firewall
# policy that drops the port is named, and a rule accepting it suffices; a
# second segment is a warning that names the address announced; an extra
# address without a route is a problem; without root, what cannot be read
# is said; on B, whose program holds the port, the segment's check is left
# to the stopped program, or made by the program itself when doctor can ask
# it on its session bus.
set -euo pipefail
zephinet=$1
cli=$2
[ "$(id -u)" -eq 0 ] || { echo "needs root for network namespaces: skipped"; exit 77; }
command -v nft > /dev/null || { echo "nft is not installed: skipped"; exit 77; }
. "$(dirname "$0")/netns.sh"

net_up A B C
start_program() {  # host handle
    local dir="$NET_TMP/$1"
    mkdir -p "$dir"
    cp "$zephinet" "$dir/zephinet"
    printf '[LocalSetting]\r\nHandleName=%s\r\n' "$2" > "$dir/Zephinet.INI"
    QT_QPA_PLATFORM=offscreen spawn "$1" "$dir/zephinet" > "$dir/out.log" 2>&1
}
on_fail() { cat "$NET_TMP"/doctor.* 2> /dev/null; tail -n 5 "$NET_TMP"/*/out.log 2> /dev/null; }
# B's program is on a session bus of its own, as on a desktop.
b_bus=unix:path=$NET_TMP/b-bus
command -v dbus-daemon > /dev/null || { echo "dbus-daemon is not installed: skipped"; exit 77; }
spawn B dbus-daemon --session --nofork --address="$b_bus" > /dev/null 2>&1
for ((i = 0; i < 100; i++)); do [ -S "$NET_TMP/b-bus" ] && break; sleep 0.1; done
[ -S "$NET_TMP/b-bus" ] || fail "no session bus for B"
export DBUS_SESSION_BUS_ADDRESS=$b_bus
start_program B bob
unset DBUS_SESSION_BUS_ADDRESS
start_program C carol

# The companion beside a settings file of its own, as an installed one
# reads the desktop program's.
mkdir -p "$NET_TMP/A"
cp "$cli" "$NET_TMP/A/zephinet-cli"
printf '[LocalSetting]\r\nSendIP=10.77.0.3&|\r\n' > "$NET_TMP/A/Zephinet.INI"
doctor() {  # host, then doctor's options; the exit code in $status, the output in doctor.out
    local h=$1
    shift
    status=0
    on "$h" "$NET_TMP/A/zephinet-cli" doctor --seconds 2 "$@" > "$NET_TMP/doctor.out" 2> "$NET_TMP/doctor.err" \
        || status=$?
}
expect() {  # grep pattern, what it shows
    grep -q -- "$1" "$NET_TMP/doctor.out" || fail "$2"
}

# Until both programs answer (they take a moment to start).
for ((i = 0; i < 10; i++)); do
    doctor A --json
    grep -q '"machineName":"host-b"' "$NET_TMP/doctor.out" && grep -q '"machineName":"host-c"' "$NET_TMP/doctor.out" \
        && break
done
[ "$status" -eq 0 ] || fail "doctor on a healthy segment exited with $status"
segment=$(grep '"check":"segment"' "$NET_TMP/doctor.out")
grep -q '"handleName":"bob","machineName":"host-b"' <<< "$segment" || fail "B is not listed"
grep -q '"from":\[{"address":"10.77.0.3","interface":"eth0"}\],"handleName":"carol"' <<< "$segment" \
    || fail "C is not listed with its address and interface"
grep -q '"ownAnnouncementHeard":true' <<< "$segment" || fail "A did not hear itself"
[ "$(grep -c '"verdict":"problem"' "$NET_TMP/doctor.out")" -eq 0 ] || fail "a problem on a healthy segment"
expect '"check":"send-ip".*"entries":\[{"address":"10.77.0.3","entry":"10.77.0.3","interface":"eth0","onLink":true' \
    "the settings file's extra address is not checked"
doctor A
cat "$NET_TMP/doctor.out"
expect '^ok: segment: 2秒のあいだに2台のZephinetが応答しました:$' "no line of who answered"
expect '^  bob（host-b）: 10.77.0.2（eth0）から$' "no line of B"
echo "ok: on a healthy segment doctor lists B and C and exits 0"

# An nftables rule in A that drops the port.
ip netns exec "$NET_ID-A" nft -f - << 'RULES'
table inet zntest {
    chain input {
        type filter hook input priority 0;
        udp dport 50000 drop
    }
}
RULES
handle=$(ip netns exec "$NET_ID-A" nft -a list chain inet zntest input | sed -n 's/.*udp dport 50000 drop # handle \([0-9]*\)/\1/p')
doctor A
[ "$status" -eq 7 ] || fail "doctor with a dropping rule exited with $status"
expect "^problem: firewall: nftablesの規則がポート50000のUDPを止めています: table inet zntest、chain input、handle $handle「udp dport 50000 drop」$" \
    "the rule is not named"
expect "sudo nft delete rule inet zntest input handle $handle" "no way out of the rule"
expect '^problem: segment: ' "the segment's check did not notice"
echo "ok: the rule dropping the port is named as the problem, exit 7"
ip netns exec "$NET_ID-A" nft delete table inet zntest

# A firewall that drops what it does not accept, and accepts no UDP on the
# port; then a rule that does.
ip netns exec "$NET_ID-A" nft -f - << 'RULES'
table inet zntest {
    chain input {
        type filter hook input priority 0; policy drop;
        ct state established,related accept
        iif lo accept
        tcp dport 22 accept
    }
}
RULES
doctor A
[ "$status" -eq 7 ] || fail "doctor behind a dropping policy exited with $status"
expect '^problem: firewall: nftablesのtable inet zntest、chain input（input）は許可していないデータを捨て（policy drop）、ポート50000のUDPを許可する規則がありません。$' \
    "the chain's policy is not named"
ip netns exec "$NET_ID-A" nft add rule inet zntest input udp dport 50000 accept
doctor A
[ "$status" -eq 0 ] || fail "doctor with the port accepted exited with $status"
expect '^ok: firewall: ' "the accepted port is still a problem"
expect '^  carol（host-c）' "C is not listed through the accepting rule"
echo "ok: a dropping policy without a rule for the port is named, and the rule that accepts it is enough"
ip netns exec "$NET_ID-A" nft delete table inet zntest

# Another program on the port.
spawn A python3 -c 'import socket, time; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 50000)); time.sleep(60)'
holder=$!
for ((i = 0; i < 50; i++)); do
    grep -q ':C350 ' <(ip netns exec "$NET_ID-A" cat /proc/net/udp) && break
    sleep 0.1
done
program=$(basename "$(readlink "/proc/$holder/exe")")
doctor A
[ "$status" -eq 7 ] || fail "doctor beside another program on the port exited with $status"
expect "^problem: port: ポート50000（UDP）は「$program」（プロセスID $holder）が使っています。$" \
    "the program on the port is not named"
expect "^warning: segment: ポート50000を別のプログラムが使っているため" "the segment's check was not left out"
kill "$holder"
wait "$holder" 2> /dev/null || true
echo "ok: the program holding the port ($program) is named, exit 7"

# A second segment on A: two addresses to choose from, and the second
# segment reached by its directed broadcast.
net_segment2 A
doctor A
[ "$status" -eq 0 ] || fail "doctor on two segments exited with $status"
expect '^warning: interfaces: ブロードキャストのできるIPv4アドレスが2個あります: eth0 10.77.0.1/24、eth1 10.88.0.1/24。$' \
    "the two addresses are not listed"
expect '^  Zephinetが名乗るのは最初の10.77.0.1（eth0）だけです。' "the announced address is not named"
expect '^  それが届かないほかのセグメントには、Zephinetは直接ブロードキャスト 10.88.0.255（eth1） にも送ります。$' \
    "the second segment's broadcast is not named"
expect '^  自分の告知も受信しました: 10.77.0.1（eth0）、10.88.0.1（eth1）から。$' "A did not hear itself on both segments"
echo "ok: on two segments doctor warns of the two addresses and names the second segment's broadcast"

# No default route: the directed broadcast goes instead.
ip -n "$NET_ID-A" route del default
doctor A
[ "$status" -eq 0 ] || fail "doctor without a default route exited with $status"
expect '^warning: routes: 既定の経路（デフォルトルート）がないため、システムは255.255.255.255への送信を拒みます。$' \
    "the missing route is not told"
expect '^  Zephinetはその代わりに、各セグメントの直接ブロードキャスト 10.77.0.255（eth0）、10.88.0.255（eth1） に送ります。' \
    "what the program does there is not told"
expect '^  bob（host-b）' "B did not answer the directed broadcast"
echo "ok: without a default route doctor says what the program does instead"
doctor A --send-ip 10.99.0.1
[ "$status" -eq 7 ] || fail "doctor with an extra address out of reach exited with $status"
expect '^problem: send-ip: 10.99.0.1: 経路がなく、送れません。$' "the unroutable address is not named"
echo "ok: an extra address without a route is a problem, exit 7"

# Without root: another user's program on the port cannot be named, nor
# can the firewall's rules be read; both are said.
chmod 755 "$NET_TMP" "$NET_TMP/A"
spawn A setpriv --reuid=65534 --regid=65534 --clear-groups /usr/bin/python3 -c \
    'import socket, time; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 50000)); time.sleep(60)'
holder=$!
for ((i = 0; i < 50; i++)); do
    grep -q ':C350 ' <(ip netns exec "$NET_ID-A" cat /proc/net/udp) && break
    sleep 0.1
done
status=0
on A setpriv --reuid=65533 --regid=65533 --clear-groups env HOME="$NET_TMP" "$NET_TMP/A/zephinet-cli" doctor \
    --seconds 1 > "$NET_TMP/doctor.out" 2> "$NET_TMP/doctor.err" || status=$?
[ "$status" -eq 7 ] || fail "doctor without root beside another user's program exited with $status"
expect '^problem: port: ポート50000（UDP）は別のプログラムが使っていますが、どのプログラムかはわかりません。$' \
    "the hidden program is not told"
expect '^warning: firewall: nftables.*の規則は、root権限がないと読めません。$' "the unreadable rules are not told"
kill "$holder"
wait "$holder" 2> /dev/null || true
echo "ok: without root doctor says what it cannot read"

# B's program holds the port: without its session bus, the segment waits
# for it to stop; on its bus, the program checks the segment for doctor.
doctor B
[ "$status" -eq 0 ] || fail "doctor beside the running program exited with $status"
expect '^ok: port: ポート50000（UDP）は起動中の「zephinet」' "the running program is not named"
expect '^warning: segment: ポート50000を起動中のZephinetが使っているため' "the segment's check was not left out"
echo "ok: beside a running program doctor names it and leaves the segment to it"
export DBUS_SESSION_BUS_ADDRESS=$b_bus
doctor B --json
unset DBUS_SESSION_BUS_ADDRESS
[ "$status" -eq 0 ] || fail "doctor asking the running program exited with $status"
segment=$(grep '"check":"segment"' "$NET_TMP/doctor.out")
grep -q '"verdict":"ok"' <<< "$segment" || fail "the running program did not check the segment: $segment"
grep -q '"handleName":"carol","machineName":"host-c"' <<< "$segment" || fail "the running program heard no C: $segment"
grep -q '"ownAnnouncementHeard":true' <<< "$segment" || fail "the running program did not hear itself: $segment"
echo "ok: the running program checks the segment when doctor asks it on the session bus"
echo "1 passed, 0 failed"
