#!/usr/bin/env bash
# Hosts A and B each run the desktop program on a display of their own. On A
# a person selects B in the user list, opens a send window from the menu,
# types two lines of Japanese and presses 送信(&S): B's receive window opens
# with the text (RecvAutoOpen), A's notification window says that B read it
# (OpenCheck), and both log files hold the record.
set -euo pipefail
zephinet=$1
here=$(dirname "$0")
. "$here/netns.sh"
. "$here/desktop.sh"
need_desktop_tools

net_up A B
rm -f "$SCREENS/send_receive"-*.png
a_handle=有栖 b_handle=ボブ
line1='こんにちは abc' line2='二行目です'
sent=$(probe_text "$line1
$line2")

for h in A B; do
    mkdir -p "$NET_TMP/$h"
    cp "$zephinet" "$NET_TMP/$h/zephinet"
done
write_settings "$NET_TMP/A" "HandleName=$a_handle" OpenCheck=1 LogSave=1 "LogFileName=$NET_TMP/A/LOG.ZNG"
write_settings "$NET_TMP/B" "HandleName=$b_handle" RecvAutoOpen=1 LogSave=1 "LogFileName=$NET_TMP/B/LOG.ZNG"

on_fail() { show_hosts send_receive A B; }

display_up A B
# Every character of the text on a key of A's keyboard, before the program reads the map.
x A "$XKEYSYMS" "$line1$line2" > /dev/null || fail "could not give the text's characters keys"
start_desktop B "$NET_TMP/B"
start_desktop A "$NET_TMP/A"

# A person on A: B's row in the user list, then メッセージ(&M) → メッセージ送信(&S).
b_row='$1 == "row" && $2 == "lvUser" && $10 == "host-b"'
row=$(wait_shows "$NET_TMP/A" "$b_row"' { print $9 }' 30) || fail "A's user list never showed B"
[ "$row" = "$b_handle" ] || fail "A's list shows B as '$row'"
wait_shows "$NET_TMP/A" '$1 == "window" && $3 == "MainForm" && $8 == "1" { print }' 20 > /dev/null ||
    fail "A's main window did not become active"
selected=""
for _ in 1 2 3 4 5; do
    # Where the row is now: the window manager may still have been placing
    # the window. A click that came too early is lost; click again.
    click A $(centre $(shows "$NET_TMP/A" "$b_row"' { print $5, $6, $7, $8 }'))
    if wait_shows "$NET_TMP/A" "$b_row"' && $4 == "1" { print }' 3 > /dev/null &&
        wait_shows "$NET_TMP/A" '$1 == "window" && $3 == "MainForm" && $8 == "1" { print }' 3 > /dev/null; then
        selected=yes
        break
    fi
done
[ -n "$selected" ] || fail "clicking B's row selected nothing"
send_item='$1 == "item" && $2 == "miMessage" && $3 == "メッセージ送信(&S)" && $4 == "1" { print }'
for _ in 1 2 3; do
    x A xdotool key --clearmodifiers alt+m
    wait_shows "$NET_TMP/A" "$send_item" 3 > /dev/null && break
done
shows "$NET_TMP/A" "$send_item" | grep -q . || fail "the message menu did not open with メッセージ送信 enabled"
x A xdotool key --clearmodifiers s
wait_shows "$NET_TMP/A" 'w == "Zephinet -メッセージ送信-" && $1 == "edit" && $2 == "edSendName" && $3 == "'"$b_handle"'" { print }' 10 > /dev/null ||
    fail "no send window addressed to B"
wait_shows "$NET_TMP/A" 'w == "Zephinet -メッセージ送信-" && $1 == "edit" && $2 == "edSendMachine" && $3 == "host-b" { print }' 2 > /dev/null ||
    fail "the send window does not name B's machine"
typed=""
for _ in 1 2 3; do
    # Into the text box, then the two lines; a lost click or key is typed again.
    click A $(centre $(shows "$NET_TMP/A" '$1 == "text" && $2 == "mmSendData" { print $5, $6, $7, $8 }'))
    wait_shows "$NET_TMP/A" '$1 == "window" && $3 == "SendForm" && $8 == "1" { print }' 3 > /dev/null || continue
    x A xdotool key --clearmodifiers ctrl+a Delete
    x A xdotool type --delay 40 "$line1"
    x A xdotool key --clearmodifiers Return
    x A xdotool type --delay 40 "$line2"
    if WANT=$sent wait_shows "$NET_TMP/A" '$1 == "text" && $2 == "mmSendData" && $3 == ENVIRON["WANT"] { print }' 5 > /dev/null; then
        typed=yes
        break
    fi
done
[ -n "$typed" ] || fail "the send window does not hold the typed text"
screenshot A send_receive-a-typed
for _ in 1 2 3; do
    x A xdotool key --clearmodifiers alt+s
    wait_gone "$NET_TMP/A" '$3 == "SendForm" { print }' 5 && break
done
wait_gone "$NET_TMP/A" '$3 == "SendForm" { print }' 1 || fail "the send window stayed open after 送信"
echo "ok: A selected B, typed two lines and sent them"

# B: the receive window opens by itself with the text, sender and machine.
WANT=$sent wait_shows "$NET_TMP/B" 'w == "Zephinet -メッセージ受信-" && $1 == "text" && $2 == "mmRecvData" && $3 == ENVIRON["WANT"] { print }' 20 > /dev/null ||
    fail "B's receive window does not show the text"
shows "$NET_TMP/B" 'w == "Zephinet -メッセージ受信-" && $2 == "edHandleName" && $3 == "'"$a_handle"'" { print }' | grep -q . ||
    fail "B's receive window does not name A's handle"
shows "$NET_TMP/B" 'w == "Zephinet -メッセージ受信-" && $2 == "edMachineName" && $3 == "host-a" { print }' | grep -q . ||
    fail "B's receive window does not name A's machine"
# The picture once the cursor animation at the pointer has ended.
wait_gone "$NET_TMP/B" '$3 == "AnimationForm" { print }' 10 ||
    fail "B's cursor animation did not end"
screenshot B send_receive-b-received
echo "ok: B's receive window shows the two lines from A"

# A: the read confirmation names B's handle name.
WANT="「${b_handle}」に送信したメッセージが確認されました。" wait_shows "$NET_TMP/A" \
    'w == "Zephinet -イベント通知-" && $2 == "laMessage" && index($3, ENVIRON["WANT"]) { print }' 20 > /dev/null ||
    fail "A's notification window does not show B's read confirmation"
screenshot A send_receive-a-confirmed
echo "ok: A's notification window shows that B read the message"

# Both logs: one record of four lines, CR LF, "handle（machine）" labels.
check_log() {
    local file=$1 text
    wait_until 10 test -s "$file" || fail "no log file $file"
    text=$(iconv -f CP932 -t UTF-8 < "$file") || fail "$file is not CP932"
    [ "$(printf '%s\n' "$text" | wc -l)" -eq 4 ] || { printf '%s\n' "$text" >&2; fail "$file does not hold one record of four lines"; }
    [ "$(grep -c $'\r$' "$file")" -eq 4 ] || fail "$file does not end its lines in CR LF"
    text=$(printf '%s\n' "$text" | tr -d '\r')
    printf '%s\n' "$text" | sed -n 1p | grep -Eq '^[0-9]{4}年[0-9]{2}月[0-9]{2}日 (AM|PM) [0-9]{1,2}時[0-9]{2}分[0-9]{2}秒$' ||
        fail "$file: time stamp '$(printf '%s\n' "$text" | sed -n 1p)'"
    [ "$(printf '%s\n' "$text" | sed -n 2p)" = "$a_handle（host-a）" ] || fail "$file: sender '$(printf '%s\n' "$text" | sed -n 2p)'"
    [ "$(printf '%s\n' "$text" | sed -n 3p)" = "$b_handle（host-b）" ] || fail "$file: addressee '$(printf '%s\n' "$text" | sed -n 3p)'"
    [ "$(printf '%s\n' "$text" | sed -n 4p)" = "$line1\\|$line2" ] || fail "$file: text '$(printf '%s\n' "$text" | sed -n 4p)'"
}
check_log "$NET_TMP/A/LOG.ZNG"
check_log "$NET_TMP/B/LOG.ZNG"
echo "ok: both logs hold the record, from $a_handle（host-a） to $b_handle（host-b）"
echo "1 passed, 0 failed"
