#!/usr/bin/env bash
# Host A runs the desktop program (RecvAutoOpen, RecvCheck, the cursor
# animation); host B a test peer. On A a person selects B, presses Enter,
# and types in the send window. A message from B arrives mid-word: the
# receive window, the notice and the animation come up, but the typing goes
# on in the send window. When the send window closes, the notice does not
# take the keyboard either.
set -euo pipefail
zephinet=$1
here=$(dirname "$0")
. "$here/netns.sh"
. "$here/desktop.sh"
need_desktop_tools

net_up A B
rm -f "$SCREENS/focus"-*.png
a_ip=$(host_ip A)
a_handle=有栖 b_handle=ボブ
dir=$NET_TMP/A
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
write_settings "$dir" "HandleName=$a_handle" RecvAutoOpen=1 RecvCheck=1 MouseAnimation=1 LogSave=0

on_fail() {
    show_hosts focus A
    echo "--- the peer saw:"; cat "$NET_TMP/peer.out" 2> /dev/null
}

display_up A
start_desktop A "$dir"
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
wait_shows "$dir" '$1 == "window" && $3 == "MainForm" && $8 == "1" { print }' 20 > /dev/null ||
    fail "A's main window did not become active"
# B's row, then Enter: a send window to B.
opened=""
for _ in 1 2 3 4 5; do
    click A $(centre $(shows "$dir" "$b_row"' { print $5, $6, $7, $8 }'))
    wait_shows "$dir" "$b_row"' && $4 == "1" { print }' 3 > /dev/null || continue
    x A xdotool key --clearmodifiers Return
    if wait_shows "$dir" '$3 == "SendForm" && $8 == "1" { print }' 3 > /dev/null; then
        opened=yes
        break
    fi
done
[ -n "$opened" ] || fail "Enter on B's row opened no send window"
shows "$dir" 'w == "Zephinet -メッセージ送信-" && $2 == "edSendName" && $3 == "'"$b_handle"'" { print }' | grep -q . ||
    fail "the send window is not addressed to B"
echo "ok: Enter on B's row opened a send window to B"

typed=""
for _ in 1 2 3; do
    click A $(centre $(shows "$dir" '$1 == "text" && $2 == "mmSendData" { print $5, $6, $7, $8 }'))
    wait_shows "$dir" '$3 == "SendForm" && $8 == "1" { print }' 3 > /dev/null || continue
    x A xdotool key --clearmodifiers ctrl+a Delete
    x A xdotool type --delay 40 "mid"
    if wait_shows "$dir" '$1 == "text" && $2 == "mmSendData" && $3 == "mid" { print }' 3 > /dev/null; then
        typed=yes
        break
    fi
done
[ -n "$typed" ] || fail "typing into the send window did not work"

# A message arrives mid-word.
echo "message $a_ip - 割り込みです" >&3
wait_shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "mmRecvData" && $3 == "割り込みです" { print }' 20 > /dev/null ||
    fail "the receive window did not open by itself"
WANT="「${b_handle}」からメッセージが届きました。" wait_shows "$dir" \
    'w == "Zephinet -イベント通知-" && $2 == "laMessage" && index($3, ENVIRON["WANT"]) { print }' 10 > /dev/null ||
    fail "no notice of the arrival"
sleep 0.5
shows "$dir" '$1 == "window" && $3 == "SendForm" && $8 == "1" { print }' | grep -q . ||
    fail "the send window lost the keyboard to: $(shows "$dir" '$1 == "window" && $8 == "1" { print $2 }')"
x A xdotool type --delay 40 "word"
wait_shows "$dir" '$1 == "text" && $2 == "mmSendData" && $3 == "midword" { print }' 5 > /dev/null ||
    fail "the typing did not go on in the send window: $(shows "$dir" '$2 == "mmSendData" { print $3 }')"
screenshot A focus-typing-on
echo "ok: the arrival came up on top while the typing went on in the send window"

# キャンセル closes the send window; the notice does not take the keyboard.
x A xdotool key --clearmodifiers alt+c
wait_gone "$dir" '$3 == "SendForm" { print }' 5 || fail "キャンセル did not close the send window"
for _ in 1 2 3 4 5 6 7 8 9 10; do
    shows "$dir" '$1 == "window" && $3 == "IventForm" && $8 == "1" { print }' | grep -q . &&
        fail "the notice took the keyboard when the send window closed"
    sleep 0.1
done
shows "$dir" '$1 == "window" && $3 == "IventForm" { print }' | grep -q . || fail "the notice is gone"
echo "ok: the notice stayed without the keyboard after the send window closed"
echo "1 passed, 0 failed"
