#!/usr/bin/env bash
# Host A runs the program, host B listens: one LOGIN at start, LOGOUT on
# SIGTERM; a second copy on A's port shows its failure box and exits 0
# without sending anything.
set -euo pipefail
zephinet=$1
capture=$2
[ "$(id -u)" -eq 0 ] || { echo "needs root for network namespaces: skipped"; exit 77; }
. "$(dirname "$0")/netns.sh"

net_up A B
port=50000
a_ip=$(host_ip A)
a_name=$(host_name A)

# The program keeps its settings beside itself: give host A its own copy.
mkdir -p "$NET_TMP/a"
cp "$zephinet" "$NET_TMP/a/zephinet"
# Handle name "テスト利用者" in CP932, CR LF lines as the settings file has them.
printf '[LocalSetting]\r\nHandleName=\x83\x65\x83\x58\x83\x67\x97\x98\x97\x70\x8e\xd2\r\n' > "$NET_TMP/a/Zephinet.INI"

spawn B "$capture" $port 30 > "$NET_TMP/b.log" 2> "$NET_TMP/b.err"
wait_for_line "$NET_TMP/b.err" listening 5 || fail "capture did not start"

QT_QPA_PLATFORM=offscreen spawn A "$NET_TMP/a/zephinet" > "$NET_TMP/a.out" 2>&1
a_pid=$!

login="ZNMESSAGE:LOGIN&|$a_name&|$(printf '\x83\x65\x83\x58\x83\x67\x97\x98\x97\x70\x8e\xd2')&|0&|$a_ip&|ZN150"
login_hex=$(datagram_hex "$login")
wait_for_line "$NET_TMP/b.log" "^$a_ip .* $login_hex\$" 10 || {
    cat "$NET_TMP/b.log" "$NET_TMP/a.out" >&2; fail "no LOGIN from A"; }
# A answers its own LOGIN; give stray datagrams a moment to arrive.
sleep 1
count=$(grep -c " $login_hex\$" "$NET_TMP/b.log" || true)
[ "$count" -eq 1 ] || fail "expected exactly one LOGIN, saw $count"
echo "ok: one LOGIN from $a_name at $a_ip"

# A second copy on the same port, on a real (virtual) X display: it shows
# its box, and once the box is answered it exits 0 having sent nothing.
for n in $(seq 170 210); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
spawn A Xvfb "$display" -nolisten tcp -screen 0 1024x768x24 > /dev/null 2>&1
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
sleep 0.3
before=$(wc -l < "$NET_TMP/b.log")
mkdir -p "$NET_TMP/a2"
cp "$zephinet" "$NET_TMP/a2/zephinet"
DISPLAY=$display QT_QPA_PLATFORM=xcb spawn A "$NET_TMP/a2/zephinet" > "$NET_TMP/a2.out" 2>&1
second=$!
box=""
for _ in $(seq 100); do
    box=$(DISPLAY=$display on A xdotool search --onlyvisible --name '^Zephinet$' 2>/dev/null | head -n1 || true)
    [ -n "$box" ] && break
    sleep 0.2
done
[ -n "$box" ] || fail "the second copy showed no box"
windows=$(DISPLAY=$display on A xdotool search --onlyvisible --name '.' 2>/dev/null | wc -l)
[ "$windows" -eq 1 ] || fail "expected the box alone on screen, saw $windows windows"
DISPLAY=$display on A xdotool windowfocus --sync "$box" key --clearmodifiers Return
status=0
for _ in $(seq 50); do kill -0 $second 2>/dev/null || break; sleep 0.1; done
kill -0 $second 2>/dev/null && fail "the second copy did not end after its box"
wait $second || status=$?
[ "$status" -eq 0 ] || fail "the second copy exited with $status"
sleep 0.5
after=$(wc -l < "$NET_TMP/b.log")
[ "$before" -eq "$after" ] || fail "the second copy sent $((after - before)) datagrams"
echo "ok: second copy showed its box and exited 0 without sending"

# SIGTERM: orderly shutdown with LOGOUT.
kill -TERM $a_pid
wait $a_pid || fail "A exited with $? on SIGTERM"
logout_hex=$(datagram_hex "ZNMESSAGE:LOGOUT&|$a_name")
wait_for_line "$NET_TMP/b.log" "^$a_ip .* $logout_hex\$" 5 || fail "no LOGOUT after SIGTERM"
grep -q 'MainFormLocate' "$NET_TMP/a/Zephinet.INI" || fail "A did not save its window position"
echo "ok: LOGOUT on SIGTERM"
echo "1 passed, 0 failed"
