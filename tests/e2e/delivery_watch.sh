#!/usr/bin/env bash
# Host A runs the desktop program, host B a test peer. The peer announces
# itself, then sends A a message of three datagrams without the second. A
# gives the message up a minute after its last datagram: the peer receives
# exactly one MESSAGE_EXCLAMATION addressed to it, naming A's handle name,
# 60 to 65 seconds after the last datagram went out, and none before. A
# logs nothing of the incomplete message. Takes a little over a minute.
set -euo pipefail
zephinet=$1
here=$(dirname "$0")
. "$here/netns.sh"

net_up A B
a_ip=$(host_ip A); b_ip=$(host_ip B)
a_handle=有栖

mkdir -p "$NET_TMP/A"
cp "$zephinet" "$NET_TMP/A/zephinet"
printf '[LocalSetting]\r\nHandleName=%s\r\nLogSave=1\r\nLogFileName=%s\r\n' "$a_handle" "$NET_TMP/A/LOG.ZNG" |
    iconv -f UTF-8 -t CP932 > "$NET_TMP/A/Zephinet.INI"

on_fail() {
    echo "--- the peer saw:"; cat "$NET_TMP/peer.out" 2> /dev/null
    echo "--- A said:"; cat "$NET_TMP/A/out.log" 2> /dev/null
}

# The peer reads its commands from a pipe that stays open for writing here.
mkfifo "$NET_TMP/peer.in"
exec 3<> "$NET_TMP/peer.in"
spawn B "$TESTPEER" --handle ボブ < "$NET_TMP/peer.in" > "$NET_TMP/peer.out" 2> "$NET_TMP/peer.err"
wait_for_line "$NET_TMP/peer.out" $'\tready\t' 10 || fail "the peer did not start"

QT_QPA_PLATFORM=offscreen spawn A "$NET_TMP/A/zephinet" > "$NET_TMP/A/out.log" 2>&1
wait_for_line "$NET_TMP/peer.out" $'\tmessage\t'"$a_ip"$'\tLOGIN\t' 20 || fail "no LOGIN from A"
echo login >&3
wait_for_line "$NET_TMP/peer.out" $'\tmessage\t'"$a_ip"$'\tLOGIN_OK\t'"$b_ip"$'\t' 20 || fail "A did not answer the peer's LOGIN"
echo "ok: A knows the peer"

# 1200 bytes of text: three datagrams. The second one is left out.
text=$(printf 'あいうえお%.0s' $(seq 120))
echo "message $a_ip 2 $text" >&3
wait_for_line "$NET_TMP/peer.out" $'\tsent\t3/3\t' 10 || fail "the peer did not send a three-datagram message"
grep -q $'\tdropped\t2/3\t' "$NET_TMP/peer.out" || fail "the second datagram was not left out"
[ "$(grep -c $'\tsent\t[0-9]/3\t' "$NET_TMP/peer.out")" -eq 2 ] || fail "expected two of three datagrams sent"
last=$(awk -F'\t' '$2 == "sent" && $3 == "3/3" { print $1 }' "$NET_TMP/peer.out")
echo "ok: datagrams 1 and 3 of 3 sent, the last at ${last} ms"

warning=$'\tmessage\t'"$a_ip"$'\tMESSAGE_EXCLAMATION\t'"$b_ip"$'\t'"$a_handle"'$'
wait_for_line "$NET_TMP/peer.out" "$warning" 90 || fail "no MESSAGE_EXCLAMATION from A"
# A second warning would come at one of the next checks, five seconds apart.
sleep 7
warnings=$(awk -F'\t' '$2 == "message" && $4 == "MESSAGE_EXCLAMATION"' "$NET_TMP/peer.out")
[ "$(printf '%s\n' "$warnings" | grep -c .)" -eq 1 ] || { printf '%s\n' "$warnings" >&2; fail "expected exactly one MESSAGE_EXCLAMATION"; }
at=$(printf '%s\n' "$warnings" | cut -f1)
after=$((at - last))
echo "the warning came $after ms after the last datagram"
# The watch looks every 5 s (Qt's coarse timers may stretch that by 5 %),
# so the warning comes between 60 and 65 s; half a second more is left for
# the program's event loop on a loaded machine.
[ "$after" -ge 60000 ] || fail "the warning came too early: $after ms"
[ "$after" -le 65500 ] || fail "the warning came too late: $after ms"
echo "ok: one MESSAGE_EXCLAMATION to the peer, naming $a_handle, $after ms after the last datagram"

[ ! -e "$NET_TMP/A/LOG.ZNG" ] || fail "A logged the incomplete message"
echo "ok: A logged nothing of the incomplete message"
echo quit >&3
echo "1 passed, 0 failed"
