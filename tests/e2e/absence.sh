#!/usr/bin/env bash
# Host A runs the desktop program on a display of its own. A person there
# presses the absence button; the editor opens (HuzaiSetCheck), they type a
# two-line absence message and press 不在設定(&H). On host B the command-line
# companion fetches that message and sees A absent in its list. Then a
# desktop copy on B fetches the message from its user list with a double
# click and shows it in its absence window. A leaves absence with the same
# button: B's companion is answered "nothing" (exit 6) and sees A present.
set -euo pipefail
zephinet=$1
cli=$2
here=$(dirname "$0")
. "$here/netns.sh"
. "$here/desktop.sh"
need_desktop_tools

net_up A B
rm -f "$SCREENS/absence"-*.png
a_handle=有栖 b_handle=ボブ
line1='会議中です' line2='15時に戻ります'
shown=$(probe_text "$line1
$line2")
# The absence window heads the text with a line of its own.
fetched=$(probe_text "≪不在メッセージです≫

$line1
$line2")

for h in A B; do
    mkdir -p "$NET_TMP/$h"
    cp "$zephinet" "$NET_TMP/$h/zephinet"
done
write_settings "$NET_TMP/A" "HandleName=$a_handle" HuzaiSetCheck=1 "HuzaiMessage=前の不在メッセージ"
write_settings "$NET_TMP/B" "HandleName=$b_handle"

on_fail() { show_hosts absence A B; }

display_up A B
x A "$XKEYSYMS" "$line1$line2" > /dev/null || fail "could not give the text's characters keys"
start_desktop A "$NET_TMP/A"
wait_shows "$NET_TMP/A" '$1 == "window" && $3 == "MainForm" && $8 == "1" { print }' 20 > /dev/null ||
    fail "A's main window did not become active"

# press_absence: a click on A's absence button in the toolbar.
absence_button='$1 == "button" && $2 == "sbHuzai"'
press_absence() {
    local place
    place=$(wait_shows "$NET_TMP/A" "$absence_button"' && $4 == "1" { print $5, $6, $7, $8 }' 10) ||
        fail "A's main window has no absence button"
    click A $(centre $place)
}

# The editor, with the message in force, and the button still released.
editor='$1 == "text" && $2 == "mmHuzaiMessage"'
for _ in 1 2 3; do
    press_absence
    wait_shows "$NET_TMP/A" "$editor"' { print }' 3 > /dev/null && break
done
WANT=前の不在メッセージ wait_shows "$NET_TMP/A" "$editor"' && $3 == ENVIRON["WANT"] { print }' 5 > /dev/null ||
    fail "the absence editor did not open with the stored message"
shows "$NET_TMP/A" "$absence_button"' && $9 == "0" { print }' | grep -q . ||
    fail "the absence button is pressed while the editor is open"
typed=""
for _ in 1 2 3; do
    click A $(centre $(shows "$NET_TMP/A" "$editor"' { print $5, $6, $7, $8 }'))
    wait_shows "$NET_TMP/A" '$1 == "window" && $3 == "HuzaiSetForm" && $8 == "1" { print }' 3 > /dev/null || continue
    x A xdotool key --clearmodifiers ctrl+a Delete
    x A xdotool type --delay 40 "$line1"
    x A xdotool key --clearmodifiers Return
    x A xdotool type --delay 40 "$line2"
    if WANT=$shown wait_shows "$NET_TMP/A" "$editor"' && $3 == ENVIRON["WANT"] { print }' 5 > /dev/null; then
        typed=yes
        break
    fi
done
[ -n "$typed" ] || fail "the absence editor does not hold the typed text"
screenshot A absence-a-editor
for _ in 1 2 3; do
    x A xdotool key --clearmodifiers alt+h
    wait_gone "$NET_TMP/A" '$3 == "HuzaiSetForm" { print }' 5 && break
done
wait_gone "$NET_TMP/A" '$3 == "HuzaiSetForm" { print }' 1 || fail "the editor stayed open after 不在設定"
wait_shows "$NET_TMP/A" "$absence_button"' && $9 == "1" { print }' 5 > /dev/null ||
    fail "the absence button is not pressed after 不在設定"
echo "ok: A typed a two-line absence message in the editor and went absent"

# B's companion: A absent in the list, and the message itself.
# ask_absence N: B's companion asks A for its absence message; $status is its
# exit code, $NET_TMP/absN.out what it printed.
ask_absence() {
    status=0
    on B "$cli" absence host-a > "$NET_TMP/abs$1.out" 2> "$NET_TMP/abs$1.err" || status=$?
    cat "$NET_TMP/abs$1.out" "$NET_TMP/abs$1.err"
}
state_of_a() {
    on B "$cli" who --seconds 1 2> /dev/null | awk '$2 == "host-a" { print $4 }'
}
for _ in $(seq 10); do [ "$(state_of_a)" = absent ] && break; done
[ "$(state_of_a)" = absent ] || fail "B's companion does not list A as absent"
ask_absence 1
[ "$status" -eq 0 ] || fail "absence to A exited with $status"
[ "$(cat "$NET_TMP/abs1.out")" = "absent: $a_handle (host-a): $line1\\n$line2" ] ||
    fail "B's companion did not print A's message"
echo "ok: B's companion lists A absent and prints its message"

# A desktop copy on B: A's row, a double click, the absence window.
start_desktop B "$NET_TMP/B"
b_pid=$!
a_row='$1 == "row" && $2 == "lvUser" && $10 == "host-a"'
wait_shows "$NET_TMP/B" "$a_row"' { print }' 30 > /dev/null || fail "B's user list never showed A"
wait_shows "$NET_TMP/B" '$1 == "window" && $3 == "MainForm" && $8 == "1" { print }' 20 > /dev/null ||
    fail "B's main window did not become active"
huzai_text='w == "Zephinet -不在メッセージ受信-" && $1 == "text" && $2 == "mmRecvData"'
for _ in 1 2 3 4 5; do
    click B $(centre $(shows "$NET_TMP/B" "$a_row"' { print $5, $6, $7, $8 }')) 1 2
    WANT=$fetched wait_shows "$NET_TMP/B" "$huzai_text"' && $3 == ENVIRON["WANT"] { print }' 3 > /dev/null && break
done
WANT=$fetched wait_shows "$NET_TMP/B" "$huzai_text"' && $3 == ENVIRON["WANT"] { print }' 1 > /dev/null ||
    fail "B's absence window does not show A's message"
shows "$NET_TMP/B" 'w == "Zephinet -不在メッセージ受信-" && $2 == "edHandleName" && $3 == "'"$a_handle"'" { print }' | grep -q . ||
    fail "B's absence window does not name A's handle"
shows "$NET_TMP/B" 'w == "Zephinet -不在メッセージ受信-" && $2 == "edMachineName" && $3 == "host-a" { print }' | grep -q . ||
    fail "B's absence window does not name A's machine"
[ "$(shows "$NET_TMP/B" '$3 == "HuzaiForm" { print }' | wc -l)" -eq 1 ] || fail "B opened more than one absence window"
screenshot B absence-b-fetched
echo "ok: B's desktop copy fetched A's message with a double click"
# The companion needs B's port again: the desktop copy logs out and ends.
kill -TERM "$b_pid"
wait_until 10 eval '! kill -0 '"$b_pid" || fail "B's desktop copy did not end"

# A leaves absence with the same button.
for _ in 1 2 3; do
    press_absence
    wait_shows "$NET_TMP/A" "$absence_button"' && $9 == "0" { print }' 3 > /dev/null && break
done
shows "$NET_TMP/A" "$absence_button"' && $9 == "0" { print }' | grep -q . || fail "A's absence button stayed pressed"
for _ in $(seq 10); do [ "$(state_of_a)" = present ] && break; done
[ "$(state_of_a)" = present ] || fail "B's companion does not list A as present"
ask_absence 2
[ "$status" -eq 6 ] || fail "absence to present A exited with $status"
echo "ok: A left absence; B's companion sees A present and gets exit 6"
echo "1 passed, 0 failed"
