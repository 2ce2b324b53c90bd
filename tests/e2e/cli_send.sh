#!/usr/bin/env bash
# Host A runs the program with RecvAutoOpen on, host C the command-line
# companion: "send --wait" to A exits 0 once A's receive window has shown the
# text and confirmed it; to a user who is not online it exits 4 and the
# others still get the text.
set -euo pipefail
zephinet=$1
cli=$2
[ "$(id -u)" -eq 0 ] || { echo "needs root for network namespaces: skipped"; exit 77; }
. "$(dirname "$0")/netns.sh"

net_up A C
a_name=$(host_name A)
dir="$NET_TMP/A"
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
printf '[LocalSetting]\r\nHandleName=alice\r\nRecvAutoOpen=1\r\nLogSave=1\r\nLogFileName=%s\r\n' \
    "$dir/LOG.ZNG" > "$dir/Zephinet.INI"
QT_QPA_PLATFORM=offscreen spawn A "$dir/zephinet" > "$dir/out.log" 2>&1

# Until A answers, "who" from C lists nobody.
for ((i = 0; i < 50; i++)); do
    on C "$cli" who --seconds 1 2> /dev/null | grep -q alice && break
done

status=0
on C "$cli" send --wait 5 --text "$(printf 'こんにちは\n二行目')" alice > "$NET_TMP/send1.out" 2> "$NET_TMP/send1.err" \
    || status=$?
cat "$NET_TMP/send1.out" "$NET_TMP/send1.err"
[ "$status" -eq 0 ] || fail "send --wait to alice exited with $status"
grep -q "^sent: alice ($a_name)$" "$NET_TMP/send1.out" || fail "no sent line"
grep -q "^confirmed: alice ($a_name) after " "$NET_TMP/send1.out" || fail "no confirmed line"
echo "ok: send --wait to a desktop with RecvAutoOpen exits 0 after the confirmation"

# The text is in A's log, with its line break stored as "\|" on one line.
# The log is written behind the window, so it may come after the confirmation.
logged() { iconv -f CP932 -t UTF-8 "$dir/LOG.ZNG" 2> /dev/null | tr -d '\r' > "$NET_TMP/log.txt" && grep -qx 'こんにちは\\|二行目' "$NET_TMP/log.txt"; }
for ((i = 0; i < 100; i++)); do logged && break; sleep 0.1; done
grep -qx 'こんにちは\\|二行目' "$NET_TMP/log.txt" || { cat "$NET_TMP/log.txt" >&2; fail "A did not log the text"; }
echo "ok: A logged the text"

status=0
echo "to both" | on C "$cli" send --json --wait 5 nobody "$a_name" > "$NET_TMP/send2.out" 2>&1 || status=$?
cat "$NET_TMP/send2.out"
[ "$status" -eq 4 ] || fail "send to an offline user exited with $status"
grep -q '{"outcome":"not-online","user":"nobody"}' "$NET_TMP/send2.out" || fail "no not-online object"
grep -q "{\"handleName\":\"alice\",\"machineName\":\"$a_name\",\"outcome\":\"sent\",\"user\":\"$a_name\"}" \
    "$NET_TMP/send2.out" || fail "the online user did not get the text"
# A's receive window still shows the first text, so the second waits unread:
# no confirmation, and "not online" (4) outranks "unconfirmed" (5).
grep -q "{\"handleName\":\"alice\",\"machineName\":\"$a_name\",\"outcome\":\"unconfirmed\",\"user\":\"$a_name\"}" \
    "$NET_TMP/send2.out" || fail "the waiting text was not reported unconfirmed"
echo "ok: send to a user who is not online exits 4, the other still gets the text"
echo "1 passed, 0 failed"
