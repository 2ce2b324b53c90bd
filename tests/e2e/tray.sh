#!/usr/bin/env bash
# Host A runs the desktop program on a display with a window manager and a
# system tray host; host B a test peer that sends A two messages. The tray
# icon appears in the tray and moves while the messages are unread; its menu
# counts them; reading them from the menu and 次のメッセージ(&N) stops the
# animation and confirms both to the peer. A minimised receive window and a
# minimised send window each get a tray icon of their own, and a double
# click on it brings the window back; minimised again, the receive key brings
# it back with the next message in its normal state, not iconified.
set -euo pipefail
zephinet=$1
here=$(dirname "$0")
. "$here/netns.sh"
. "$here/desktop.sh"
need_desktop_tools trayer

net_up A B
rm -f "$SCREENS/tray"-*.png
a_ip=$(host_ip A); b_ip=$(host_ip B)
a_handle=有栖 b_handle=ボブ
first='一通目です' second='二通目
二行目'
dir=$NET_TMP/A
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
# No cursor animation: its window at the pointer would take the clicks meant for the tray.
write_settings "$dir" "HandleName=$a_handle" MouseAnimation=0 LogSave=0

on_fail() {
    echo "--- A shows:"; cat "$dir/shown.txt" 2> /dev/null
    echo "--- A said:"; cat "$dir/out.log" 2> /dev/null
    echo "--- the peer saw:"; cat "$NET_TMP/peer.out" 2> /dev/null
    mkdir -p "$SCREENS"
    x A "$XSCREENSHOT" "$SCREENS/tray-failed.png" 2> /dev/null || true
}

display_up A
DISPLAY=${HOST_DISPLAY[A]} spawn A trayer --edge top --align right --widthtype pixel --width 160 --height 32 \
    --transparent false --tint 0x303030 > /dev/null 2>&1
wait_until 20 x A xdotool search --name '^panel$' || fail "the tray host did not start"
panel=$(x A xdotool search --name '^panel$' | head -n1)

# The program's icons docked in the tray: "<window> <x> <y> <w> <h>" each.
tray_icons() {
    x A xwininfo -tree -id "$panel" |
        awk '/\("zephinet" "Zephinet"\)/ { split($(NF - 1), s, /[x+]/); split($NF, p, /\+/); print $1, p[2], p[3], s[1], s[2] }'
}
icon_count_is() { [ "$(tray_icons | grep -c .)" -eq "$1" ]; }
# "<hash> <colours>" of the pixels of a place on the screen.
pixels() { x A "$XSCREENSHOT" --print "$@"; }

start_desktop A "$dir"
wait_until 20 icon_count_is 1 || fail "the tray host did not take the program's icon"
read -r main_icon ix iy iw ih <<< "$(tray_icons)"
wait_shows "$dir" '$1 == "tray" && $2 == "Zephinet" && $5 > 0 { print }' 10 > /dev/null || fail "the tray icon's tip is not Zephinet"
read -r resting colours <<< "$(pixels "$ix" "$iy" "$iw" "$ih")"
[ "$colours" -gt 3 ] || fail "the tray icon shows nothing ($colours colours)"
[ "$(pixels "$ix" "$iy" "$iw" "$ih" 3 300 | cut -d' ' -f1 | sort -u)" = "$resting" ] || fail "the resting icon moves"
echo "ok: the tray icon is docked at $ix,$iy and at rest"

# The peer on B: known to A, then two messages.
peer_logged_in "$b_handle"
echo "message $a_ip - $first" >&3
echo "message $a_ip - ${second//$'\n'/\\n}" >&3
wait_shows "$dir" '$1 == "tray" && $2 == "Zephinet -メッセージが届いています-" { print }' 20 > /dev/null ||
    fail "the tray tip does not say that messages arrived"

# Two pictures a few hundred ms apart differ while the star moves.
icon_moves() { [ "$(pixels "$ix" "$iy" "$iw" "$ih" 2 300 | sort -u | wc -l)" -eq 2 ]; }
wait_until 10 icon_moves || fail "the tray icon does not move while messages are unread"
screenshot A tray-unread
echo "ok: the tray icon moves while two messages are unread"

# The tray menu on a right click, with the counts.
menu=""
for _ in 1 2 3 4 5; do
    click A $(centre "$ix" "$iy" "$iw" "$ih") 3
    if menu=$(wait_shows "$dir" '$1 == "item" && $2 == "pmTaskMenu" && $3 == "メッセージ受信 <未読2通>(&R)" && $4 == "1" { print $5, $6, $7, $8 }' 3); then
        break
    fi
done
[ -n "$menu" ] || fail "the tray menu did not open with メッセージ受信 <未読2通>(&R)"
shows "$dir" '$1 == "item" && $2 == "pmTaskMenu" && $3 == "クリップボード受信 <未読2通>(&L)" && $4 == "1" { print }' | grep -q . ||
    fail "the tray menu does not count two for クリップボード受信"
screenshot A tray-menu
echo "ok: the tray menu counts two unread messages"

# Reading them: the menu's メッセージ受信, then 次のメッセージ(&N).
click A $(centre $menu)
WANT=$(probe_text "$first") wait_shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "mmRecvData" && $3 == ENVIRON["WANT"] { print }' 10 > /dev/null ||
    fail "the receive window does not show the first message"
shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "edHandleName" && $3 == "'"$b_handle"'" { print }' | grep -q . ||
    fail "the receive window does not name the sender"
wait_for_line "$NET_TMP/peer.out" $'\tmessage\t'"$a_ip"$'\tOPEN_CHECK\t'"$b_ip"$'\t'"$a_handle"'$' 10 ||
    fail "the peer got no read confirmation of the first message"
wait_until 10 icon_moves || fail "the tray icon stopped while a message is still unread"
WANT=$(probe_text "$second")
for _ in 1 2 3 4 5; do
    click A $(centre $(shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "btNext" && $4 == "1" { print $5, $6, $7, $8 }'))
    WANT=$WANT wait_shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "mmRecvData" && $3 == ENVIRON["WANT"] { print }' 3 > /dev/null && break
done
WANT=$WANT shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "mmRecvData" && $3 == ENVIRON["WANT"] { print }' | grep -q . ||
    fail "次のメッセージ did not show the second message"
shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "btNext" && $4 == "0" { print }' | grep -q . ||
    fail "次のメッセージ stays enabled after the last message"
confirmations_are() { [ "$(grep -c $'\tmessage\t'"$a_ip"$'\tOPEN_CHECK\t'"$b_ip"$'\t'"$a_handle"'$' "$NET_TMP/peer.out")" -eq "$1" ]; }
wait_until 10 confirmations_are 2 || fail "the peer did not get two read confirmations"
wait_shows "$dir" '$1 == "tray" && $2 == "Zephinet" { print }' 10 > /dev/null || fail "the tray tip did not return to Zephinet"
icon_is_resting() { [ "$(pixels "$ix" "$iy" "$iw" "$ih" | cut -d' ' -f1)" = "$resting" ]; }
wait_until 10 icon_is_resting || fail "the tray icon did not return to rest"
# One turn of the star takes 1.6 s: six pictures over 1.8 s would see it move.
[ "$(pixels "$ix" "$iy" "$iw" "$ih" 6 300 | cut -d' ' -f1 | sort -u)" = "$resting" ] ||
    fail "the tray icon still moves after both messages were read"
screenshot A tray-read
echo "ok: both messages read; the icon rests and the peer got two confirmations"

# A window minimised to the tray: its own icon appears, and a double click on it
# brings the window back. minimise_and_restore <title> <tip>
minimise_and_restore() {
    local title=$1 tip=$2 window icon wx wy ww wh restored=""
    window=$(x A xdotool search --onlyvisible --name "^$title\$" | head -n1)
    [ -n "$window" ] || fail "no window $title on the screen"
    x A xdotool windowminimize "$window"
    wait_until 10 icon_count_is 2 || fail "minimising $title gave no tray icon"
    wait_shows "$dir" '$1 == "tray" && $2 == "'"$tip"'" { print }' 10 > /dev/null || fail "no tray icon with the tip $tip"
    x A xdotool search --onlyvisible --name "^$title\$" > /dev/null && fail "$title is still on the screen"
    read -r icon wx wy ww wh <<< "$(tray_icons | grep -v "^$main_icon ")"
    [ "$(pixels "$wx" "$wy" "$ww" "$wh" | cut -d' ' -f2)" -gt 3 ] || fail "the icon of $title shows nothing"
    screenshot A "tray-minimised-$3"
    for _ in 1 2 3; do
        click A $(centre "$wx" "$wy" "$ww" "$wh") 1 2
        if wait_until 5 x A xdotool search --onlyvisible --name "^$title\$"; then
            restored=yes
            break
        fi
    done
    [ -n "$restored" ] || fail "a double click on its tray icon did not bring $title back"
    wait_until 10 icon_count_is 1 || fail "the icon of $title stayed in the tray"
    echo "ok: $title minimised to its own tray icon and brought back by a double click"
}
minimise_and_restore "Zephinet -メッセージ受信-" "Zephinet -受信ウィンドウ-" recv

# Minimised into the tray again, the receive window comes back normal, not
# iconified, when the receive key shows the next message.
third='三通目です'
recv_window=$(x A xdotool search --onlyvisible --name '^Zephinet -メッセージ受信-$' | head -n1)
x A xdotool windowminimize "$recv_window"
wait_until 10 icon_count_is 2 || fail "minimising the receive window again gave no tray icon"
echo "message $a_ip - $third" >&3
wait_shows "$dir" '$1 == "tray" && $2 == "Zephinet -メッセージが届いています-" { print }' 20 > /dev/null ||
    fail "the third message did not arrive"
x A xdotool key --clearmodifiers ctrl+alt+r
WANT=$(probe_text "$third") wait_shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "mmRecvData" && $3 == ENVIRON["WANT"] { print }' 10 > /dev/null ||
    fail "Ctrl+Alt+R did not show the third message"
normal_on_screen() {
    local id
    id=$(x A xdotool search --onlyvisible --name '^Zephinet -メッセージ受信-$' | head -n1) || return 1
    [ -n "$id" ] && x A xprop -id "$id" WM_STATE | grep -q 'window state: Normal'
}
wait_until 10 normal_on_screen || fail "the receive window came back iconified: $(x A xprop -id "$recv_window" WM_STATE | tr '\n' ' ')"
wait_until 10 icon_count_is 1 || fail "the receive window's icon stayed in the tray"
echo "ok: Ctrl+Alt+R brought the receive window back from the tray in its normal state"

# 返信(&R) opens a send window to the sender.
for _ in 1 2 3 4 5; do
    click A $(centre $(shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "btRecv" { print $5, $6, $7, $8 }'))
    wait_shows "$dir" 'w == "Zephinet -メッセージ送信-" && $2 == "edSendName" && $3 == "'"$b_handle"'" { print }' 3 > /dev/null && break
done
wait_shows "$dir" 'w == "Zephinet -メッセージ送信-" && $2 == "edSendName" && $3 == "'"$b_handle"'" { print }' 1 > /dev/null ||
    fail "返信 did not open a send window to the sender"
minimise_and_restore "Zephinet -メッセージ送信-" "Zephinet -送信ウィンドウ- 送信先：$b_handle" send
echo "1 passed, 0 failed"
