#!/usr/bin/env bash
# Hosts A and B run the program, host C the command-line companion: C's
# "who" lists A and B, and B alone once A has quit; C's "watch" shows A's
# LOGIN and B's LOGIN_OK to A when A starts (B sends every message by
# broadcast, DirectSend=0: an answer for A alone would not reach C).
set -euo pipefail
zephinet=$1
cli=$2
[ "$(id -u)" -eq 0 ] || { echo "needs root for network namespaces: skipped"; exit 77; }
. "$(dirname "$0")/netns.sh"

net_up A B C
a_ip=$(host_ip A); b_ip=$(host_ip B)
a_name=$(host_name A); b_name=$(host_name B)

start_program() {  # host handle [setting...]; $! is the program
    local host=$1 dir="$NET_TMP/$1"
    mkdir -p "$dir"
    cp "$zephinet" "$dir/zephinet"
    printf '[LocalSetting]\r\nHandleName=%s\r\n' "$2" > "$dir/Zephinet.INI"
    shift 2
    [ $# -eq 0 ] || printf '%s\r\n' "$@" >> "$dir/Zephinet.INI"
    QT_QPA_PLATFORM=offscreen spawn "$host" "$dir/zephinet" > "$dir/out.log" 2>&1
}

start_program B bob DirectSend=0
sleep 1

spawn C "$cli" watch --json --seconds 30 > "$NET_TMP/watch.log" 2> "$NET_TMP/watch.err"
watch_pid=$!
wait_for_line "$NET_TMP/watch.err" watching 5 || fail "watch did not start"

start_program A alice
a_pid=$!
wait_for_line "$NET_TMP/watch.log" "\"from\":\"$a_ip\",\"kind\":\"LOGIN\"" 10 || {
    cat "$NET_TMP/watch.log" >&2; fail "watch saw no LOGIN from A"; }
grep -q "\"fields\":\[\"$a_name\",\"alice\",\"0\",\"$a_ip\",\"ZN150\"\],\"from\":\"$a_ip\",\"kind\":\"LOGIN\"" \
    "$NET_TMP/watch.log" || fail "A's LOGIN has the wrong fields"
wait_for_line "$NET_TMP/watch.log" \
    "\"fields\":\[\"$a_ip\",\"$b_name\",\"bob\",\"0\",\"$b_ip\",\"ZN150\"\],\"from\":\"$b_ip\",\"kind\":\"LOGIN_OK\"" 10 || {
    cat "$NET_TMP/watch.log" >&2; fail "watch saw no LOGIN_OK from B to A"; }
kill -INT $watch_pid
wait $watch_pid || fail "watch exited with $? on SIGINT"
echo "ok: watch showed A's LOGIN and B's LOGIN_OK to A"

on C "$cli" who --json --seconds 2 > "$NET_TMP/who1.json" 2> "$NET_TMP/who1.err" || fail "who failed"
cat "$NET_TMP/who1.json"
grep -q "{\"absent\":false,\"address\":\"$a_ip\",\"handleName\":\"alice\",\"machineName\":\"$a_name\"}" \
    "$NET_TMP/who1.json" || fail "who does not list A"
grep -q "{\"absent\":false,\"address\":\"$b_ip\",\"handleName\":\"bob\",\"machineName\":\"$b_name\"}" \
    "$NET_TMP/who1.json" || fail "who does not list B"
[ "$(grep -o handleName "$NET_TMP/who1.json" | wc -l)" -eq 2 ] || fail "who lists more than A and B"
echo "ok: who lists A and B"

# On a host whose port the program holds, the companion says so and exits 1.
status=0
on B "$cli" who --seconds 1 > /dev/null 2> "$NET_TMP/busy.err" || status=$?
[ "$status" -eq 1 ] || fail "who on a busy port exited with $status"
grep -q "ソケットサービスを開始できませんでした" "$NET_TMP/busy.err" || fail "who on a busy port gave no reason"
echo "ok: who on a busy port exits 1 with the reason"

kill -TERM "$a_pid"
wait "$a_pid" || fail "A exited with $? on SIGTERM"
on C "$cli" who --json --seconds 2 > "$NET_TMP/who2.json" 2> "$NET_TMP/who2.err" || fail "who failed"
cat "$NET_TMP/who2.json"
grep -q "\"handleName\":\"bob\"" "$NET_TMP/who2.json" || fail "who no longer lists B"
grep -q "\"handleName\":\"alice\"" "$NET_TMP/who2.json" && fail "who still lists A after it quit"
echo "ok: after A quit, who lists B only"

# A host with no network but loopback: exit 3, nothing sent.
ip netns add "$NET_ID-lonely"
NET_HOSTS+=(lonely)
ip -n "$NET_ID-lonely" link set lo up
status=0
ip netns exec "$NET_ID-lonely" "$cli" who --seconds 1 > /dev/null 2> "$NET_TMP/lonely.err" || status=$?
[ "$status" -eq 3 ] || fail "who without a network exited with $status"
echo "ok: who without a network exits 3"
echo "1 passed, 0 failed"
