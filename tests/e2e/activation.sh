#!/usr/bin/env bash
# One copy per settings file, under a private session bus on host A's display
# with a tray host. A runs from the tray, its user list hidden. A second start
# with the same settings file ends at once with exit 0, touches no file, and
# A's user list comes forward. A peer on host B sends a message and
# "zephinet --receive" opens it in A; "zephinet --send" offers B to send to.
# A copy with a settings file of its own runs beside A, and "--user-list"
# shows its list once it has started. Two starts at the same moment end with
# one copy. A port that another program holds gives the start-up failure
# box, which names that program.
set -euo pipefail
zephinet=$1
udpcapture=$2
here=$(dirname "$0")
. "$here/netns.sh"
. "$here/desktop.sh"
need_desktop_tools trayer dbus-daemon

net_up A B
a_ip=$(host_ip A); b_ip=$(host_ip B)
a_handle=有栖 b_handle=ボブ
text='起きていますか'
dir=$NET_TMP/A other=$NET_TMP/other race=$NET_TMP/race busy=$NET_TMP/busy
for d in "$dir" "$other" "$race" "$busy"; do
    mkdir -p "$d"
    cp "$zephinet" "$d/zephinet"
done
# StartShow: the program starts in the tray with its user list hidden.
write_settings "$dir" "HandleName=$a_handle" StartShow=1 MouseAnimation=0 LogSave=0
write_settings "$other" HandleName=other StartShow=1 PortNo=50001 LogSave=0
write_settings "$race" HandleName=race StartShow=1 PortNo=50003 LogSave=0
write_settings "$busy" HandleName=busy PortNo=50002 LogSave=0

on_fail() {
    show_hosts activation A
    for d in "$other" "$race" "$busy"; do
        echo "--- $d shows:"; cat "$d/shown.txt" 2> /dev/null
        echo "--- $d said:"; cat "$d/out.log" 2> /dev/null
    done
    echo "--- the later starts said:"; cat "$NET_TMP/later.log" 2> /dev/null
    echo "--- the peer saw:"; cat "$NET_TMP/peer.out" 2> /dev/null
}

display_up A
DISPLAY=${HOST_DISPLAY[A]} spawn A trayer --edge top --align right --widthtype pixel --width 160 --height 32 \
    --transparent false > /dev/null 2>&1
wait_until 20 x A xdotool search --name '^panel$' || fail "the tray host did not start"
# A bus of the test's own, at a path: every namespace reaches it.
spawn A dbus-daemon --session --nofork --address="unix:path=$NET_TMP/bus" > "$NET_TMP/bus.log" 2>&1
wait_until 10 test -S "$NET_TMP/bus" || fail "the session bus did not start"
export DBUS_SESSION_BUS_ADDRESS=unix:path=$NET_TMP/bus

start_desktop A "$dir"
a_pid=$!
wait_shows "$dir" '$1 == "tray" && $2 == "Zephinet" && $5 > 0 { print }' 20 > /dev/null ||
    fail "A's tray icon did not appear"
main_shown='$1 == "window" && $3 == "MainForm" { print }'
sleep 1
[ -z "$(shows "$dir" "$main_shown")" ] || fail "A's user list is shown although it starts in the tray"

# later DIR ARG...: a further start of DIR/zephinet on A's display, in the
# foreground; its exit status is the call's, and it may take at most 20 s.
later() {
    local d=$1
    shift
    DISPLAY=${HOST_DISPLAY[A]} QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
        on A timeout 20 "$d/zephinet" "$@" >> "$NET_TMP/later.log" 2>&1
}
files() { (cd "$1" && find . -type f ! -name shown.txt ! -name out.log -exec sha1sum {} + | sort); }

before=$(files "$dir")
started=$(date +%s%N)
later "$dir" || fail "the second start ended with exit $?"
took=$((($(date +%s%N) - started) / 1000000))
[ "$took" -le 2000 ] || fail "the second start took $took ms to end"
[ "$(files "$dir")" = "$before" ] || fail "the second start changed the files of $dir"
kill -0 "$a_pid" 2> /dev/null || fail "A ended"
wait_shows "$dir" "$main_shown" 10 > /dev/null || fail "the second start did not bring A's user list forward"
screenshot A activation-user-list
echo "ok: the second start ended with exit 0 after $took ms and A's user list is shown"

# The peer on B: known to A, then a message that waits in A's queue.
peer_logged_in "$b_handle"
echo "message $a_ip - $text" >&3
wait_shows "$dir" '$1 == "tray" && $2 == "Zephinet -メッセージが届いています-" { print }' 20 > /dev/null ||
    fail "A did not take the peer's message"
recv_shows='w == "Zephinet -メッセージ受信-" && $2 == "mmRecvData" && $3 == "'"$text"'" { print }'
[ -z "$(shows "$dir" "$recv_shows")" ] || fail "the message opened by itself"
later "$dir" --receive || fail "zephinet --receive ended with exit $?"
wait_shows "$dir" "$recv_shows" 10 > /dev/null || fail "zephinet --receive did not open the message"
wait_for_line "$NET_TMP/peer.out" $'\tmessage\t'"$a_ip"$'\tOPEN_CHECK\t'"$b_ip"$'\t'"$a_handle"'$' 10 ||
    fail "the peer got no read confirmation"
echo "ok: zephinet --receive opened the waiting message and the peer got its read confirmation"

# With nobody selected in the list, --send offers the users to send to; B's
# entry opens a send window to B.
b_item='$1 == "item" && $2 == "pmSendList" && $3 == "'"$b_handle"'" && $4 == "1" { print $5, $6, $7, $8 }'
later "$dir" --send || fail "zephinet --send ended with exit $?"
item=$(wait_shows "$dir" "$b_item" 10) || fail "zephinet --send did not offer B to send to"
click A $(centre $item)
wait_shows "$dir" 'w == "Zephinet -メッセージ送信-" && $2 == "edSendName" && $3 == "'"$b_handle"'" { print }' 10 > /dev/null ||
    fail "no send window addressed to B"
echo "ok: zephinet --send offered B, and choosing B opened a send window to B"

# Another settings file: a copy of its own, which shows its list when asked
# by the command line although it starts in the tray.
start_desktop A "$other" --user-list
other_pid=$!
wait_shows "$other" "$main_shown" 20 > /dev/null || fail "the other copy did not show its user list for --user-list"
kill -0 "$other_pid" 2> /dev/null || fail "the other copy ended"
kill -0 "$a_pid" 2> /dev/null || fail "A ended when the other copy started"
echo "ok: a copy with its own settings file runs beside A and --user-list shows its list"

# Two starts at once: one gets the name and runs, the other passes its
# command to it and ends with exit 0. Starting in the tray, the copy shows
# its list only because it was asked to.
start_desktop A "$race"
first=$!
start_desktop A "$race"
second=$!
one_ended() { ! kill -0 "$first" 2> /dev/null || ! kill -0 "$second" 2> /dev/null; }
wait_until 20 one_ended || fail "both copies of one settings file still run"
if kill -0 "$first" 2> /dev/null; then ended=$second running=$first; else ended=$first running=$second; fi
status=0
wait "$ended" || status=$?
[ "$status" -eq 0 ] || fail "the copy that lost the race ended with exit $status"
wait_shows "$race" "$main_shown" 20 > /dev/null || fail "the copy that won the race did not show its user list"
sleep 1
kill -0 "$running" 2> /dev/null || fail "the copy that won the race ended"
[ -z "$(shows "$race" '$2 == "qt_msgbox_label" { print }')" ] || fail "a box opened in the race"
echo "ok: of two copies started at once one runs and shows its list; the other ended with exit 0"

# Another program on the port: the box names it.
spawn A "$udpcapture" 50002 60 > /dev/null 2> "$NET_TMP/capture.err"
capture_pid=$!
wait_for_line "$NET_TMP/capture.err" listening 10 || fail "udpcapture did not take port 50002"
start_desktop A "$busy"
want=$(probe_text "ソケットサービスを開始できませんでした。すでに同じポート番号でZephinetが起動されているか、ソケットサービスが組み込まれていません。
ポート番号50002は「udpcapture」（プロセスID $capture_pid）が使用しています。")
WANT=$want wait_shows "$busy" '$1 == "label" && $2 == "qt_msgbox_label" && $3 == ENVIRON["WANT"] { print }' 20 > /dev/null ||
    fail "the start-up failure box does not name udpcapture"
screenshot A activation-port-box
echo "ok: the start-up failure box names udpcapture (process $capture_pid) as the holder of port 50002"
echo "6 passed, 0 failed"
