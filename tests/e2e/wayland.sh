#!/usr/bin/env bash
# Host A runs the desktop program under a Wayland compositor, a headless
# weston; host B a test peer. The compositor maps the user list; a message
# from B opens the receive window and the notice, "返信" a send window, and
# the reply reaches B. Sending hides the user list (SendAfterClose; with no
# tray it goes to the taskbar), and the tray menu's "オンライン状況" brings it
# back. SIGTERM ends the program cleanly, and B sees its LOGOUT. The
# compositor has no input devices: the test acts through the probe.
set -euo pipefail
zephinet=$1
here=$(dirname "$0")
. "$here/netns.sh"
. "$here/desktop.sh"
. "$here/../weston.sh"
command -v iconv > /dev/null || { echo "iconv is not installed: skipped"; exit 77; }

net_up A B
weston_up
a_ip=$(host_ip A)
a_handle=有栖 b_handle=ボブ
dir=$NET_TMP/A
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
write_settings "$dir" "HandleName=$a_handle" RecvAutoOpen=1 RecvCheck=1 SendAfterClose=1 LogSave=0
: > "$dir/do.txt"

on_fail() {
    echo "--- the compositor shows:"; weston_windows
    echo "--- the program shows:"; cat "$dir/shown.txt" 2> /dev/null
    echo "--- the program said:"; cat "$dir/out.log" 2> /dev/null
    echo "--- the peer saw:"; cat "$NET_TMP/peer.out" 2> /dev/null
}
act() { echo "$*" >> "$dir/do.txt"; }

# No session bus: no tray host and no portal, as on a bare compositor.
unset DBUS_SESSION_BUS_ADDRESS
QT_QPA_PLATFORM=wayland LC_ALL=C.UTF-8 \
    QT_PLUGIN_PATH=$PROBE_PLUGIN_PATH QT_STYLE_OVERRIDE=zephinetprobe \
    ZN_PROBE_FILE=$dir/shown.txt ZN_PROBE_DO=$dir/do.txt \
    spawn A "$dir/zephinet" > "$dir/out.log" 2>&1
a_pid=$!
weston_wait_window "Zephinet" 20 || fail "the compositor never mapped the user list"
echo "ok: the user list is mapped"

mkfifo "$NET_TMP/peer.in"
exec 3<> "$NET_TMP/peer.in"
spawn B "$TESTPEER" --handle "$b_handle" < "$NET_TMP/peer.in" > "$NET_TMP/peer.out" 2> "$NET_TMP/peer.err"
wait_for_line "$NET_TMP/peer.out" $'\tready\t' 10 || fail "the peer did not start"
b_row='$1 == "row" && $2 == "lvUser" && $10 == "host-b"'
# A LOGIN sent before A listens is lost: announce again until A lists B.
for _ in $(seq 15); do
    echo login >&3
    wait_shows "$dir" "$b_row"' { print }' 2 > /dev/null && break
done
shows "$dir" "$b_row"' { print }' | grep -q . || fail "A's user list never showed B"

echo "message $a_ip - 波の上から" >&3
weston_wait_window "Zephinet -メッセージ受信-" 20 || fail "the compositor never mapped the receive window"
shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "mmRecvData" && $3 == "波の上から" { print }' | grep -q . ||
    fail "the receive window does not show the message"
weston_wait_window "Zephinet -イベント通知-" 10 || fail "the compositor never mapped the notice"
echo "ok: the receive window and the notice are mapped"

act click btRecv
weston_wait_window "Zephinet -メッセージ送信-" 20 || fail "返信 mapped no send window"
shows "$dir" 'w == "Zephinet -メッセージ送信-" && $2 == "edSendName" && $3 == "'"$b_handle"'" { print }' | grep -q . ||
    fail "the send window is not addressed to B"
echo "ok: 返信 mapped a send window to B"

act type mmSendData 届きました
act click btSend
wait_for_line "$NET_TMP/peer.out" $'\t'"$a_ip"$'\t.*届きました' 20 || fail "the reply did not reach B"
weston_wait_gone "Zephinet -メッセージ送信-" 10 || fail "the send window stayed after sending"
weston_wait_gone "Zephinet" 10 || fail "the user list stayed on screen after sending"
act trigger miUserListShow
weston_wait_window "Zephinet" 20 || fail "オンライン状況 did not bring the user list back"
echo "ok: the reply reached B; the user list went away and came back"

kill -TERM "$a_pid"
status=0
wait "$a_pid" || status=$?
[ "$status" -eq 0 ] || fail "A exited with $status on SIGTERM"
wait_for_line "$NET_TMP/peer.out" $'\tmessage\t'"$a_ip"$'\tLOGOUT' 10 || fail "B saw no LOGOUT from A"
grep -q 'MainFormLocate' "$dir/Zephinet.INI" || fail "A did not save its window position"
echo "ok: SIGTERM ended A with its LOGOUT"
echo "1 passed, 0 failed"
