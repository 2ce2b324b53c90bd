#!/usr/bin/env bash
# The keyboard alone, no pointer event: on host A a person picks B in the
# user list with the arrow keys, opens a send window with Enter, types a
# line and sends it with Ctrl+Enter; on host B, whose options choose English,
# the person opens the message from the menu (Alt+M, R), reads it in the
# receive window, and closes that with Escape.
set -euo pipefail
zephinet=$1
here=$(dirname "$0")
. "$here/netns.sh"
. "$here/desktop.sh"
need_desktop_tools

net_up A B
rm -f "$SCREENS/keyboard"-*.png
line='keys only, no mouse'

for h in A B; do
    mkdir -p "$NET_TMP/$h"
    cp "$zephinet" "$NET_TMP/$h/zephinet"
done
write_settings "$NET_TMP/A" HandleName=alice
write_settings "$NET_TMP/B" HandleName=bob Language=1

on_fail() { show_hosts keyboard A B; }

display_up A B
start_desktop B "$NET_TMP/B"
start_desktop A "$NET_TMP/A"

# A: the user list has the focus when the window opens; the arrow keys select B.
b_row='$1 == "row" && $2 == "lvUser" && $10 == "host-b"'
wait_shows "$NET_TMP/A" "$b_row"' { print }' 30 > /dev/null || fail "A's user list never showed B"
wait_shows "$NET_TMP/A" '$1 == "window" && $3 == "MainForm" && $8 == "1" { print }' 20 > /dev/null ||
    fail "A's main window did not become active"
selected=""
for key in Home Down Down Down; do
    x A xdotool key --clearmodifiers "$key"
    if wait_shows "$NET_TMP/A" "$b_row"' && $4 == "1" { print }' 2 > /dev/null; then
        selected=yes
        break
    fi
done
[ -n "$selected" ] || fail "the arrow keys did not select B's row"
x A xdotool key --clearmodifiers Return
wait_shows "$NET_TMP/A" '$1 == "window" && $3 == "SendForm" && $8 == "1" { print }' 10 > /dev/null ||
    fail "Enter in the user list opened no send window"
# The text box has the focus: what is typed lands there.
x A xdotool type --delay 40 "$line"
WANT=$line wait_shows "$NET_TMP/A" '$1 == "text" && $2 == "mmSendData" && $3 == ENVIRON["WANT"] { print }' 10 > /dev/null ||
    fail "the typed text did not land in the send window's text box"
x A xdotool key --clearmodifiers ctrl+Return
wait_gone "$NET_TMP/A" '$3 == "SendForm" { print }' 10 || fail "Ctrl+Enter did not send"
echo "ok: A chose B, typed and sent with the keys alone"

# B: English windows; Alt+M opens the message menu, R the receive window.
wait_shows "$NET_TMP/B" '$1 == "window" && $3 == "MainForm" && $8 == "1" { print }' 20 > /dev/null ||
    fail "B's main window is not active"
read_item='$1 == "item" && $2 == "miMessage" && $3 == "&Read Messages" && $4 == "1" { print }'
opened=""
for _ in 1 2 3 4 5; do
    x B xdotool key --clearmodifiers alt+m
    if wait_shows "$NET_TMP/B" "$read_item" 3 > /dev/null; then
        opened=yes
        break
    fi
    x B xdotool key --clearmodifiers Escape
done
[ -n "$opened" ] || fail "Alt+M did not open B's message menu with &Read Messages enabled"
x B xdotool key --clearmodifiers r
WANT=$line wait_shows "$NET_TMP/B" 'w == "Zephinet - Message Received" && $1 == "text" && $2 == "mmRecvData" && $3 == ENVIRON["WANT"] { print }' 10 > /dev/null ||
    fail "B's receive window does not show the text in English"
wait_shows "$NET_TMP/B" '$1 == "window" && $3 == "RecvForm" && $8 == "1" { print }' 10 > /dev/null ||
    fail "B's receive window did not take the keyboard"
screenshot B keyboard-b-received
x B xdotool key --clearmodifiers Escape
wait_gone "$NET_TMP/B" '$1 == "window" && $3 == "RecvForm" { print }' 10 || fail "Escape did not close B's receive window"
echo "ok: B opened, read and closed the message with the keys alone"
echo "1 passed, 0 failed"
