#!/usr/bin/env bash
# Host A runs the desktop program under a panel of StatusNotifierItems on a
# private session bus (the tray of today's desktops: a click arrives as
# Activate, a middle click as SecondaryActivate, never a double click, and
# the panel draws each icon's menu from what the icon publishes over D-Bus);
# host B a test peer that sends A messages. Clicked with the pointer: the
# main icon's click and middle click bring a hidden user list back; its right click shows
# the published menu, whose entry acts; the icon moves and its tip changes
# over D-Bus while messages are unread, and the published menu counts them;
# a double click reads one message, not every click of it, and brings the
# user list; a minimised receive window comes back from a click on its own
# icon, and its icon's menu shows the next message.
set -euo pipefail
zephinet=$1
here=$(dirname "$0")
. "$here/netns.sh"
. "$here/desktop.sh"
need_desktop_tools gtk-sni-tray-standalone dbus-daemon dbus-send

net_up A B
rm -f "$SCREENS/sni"-*.png
a_ip=$(host_ip A); b_ip=$(host_ip B)
a_handle=有栖 b_handle=ボブ
first='一通目です' second='二通目です'
dir=$NET_TMP/A
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
# No cursor animation: its window at the pointer would take the clicks meant for the panel.
write_settings "$dir" "HandleName=$a_handle" MouseAnimation=0 LogSave=0

on_fail() {
    echo "--- A shows:"; cat "$dir/shown.txt" 2> /dev/null
    echo "--- A said:"; cat "$dir/out.log" 2> /dev/null
    echo "--- the panel said:"; tail -n 20 "$NET_TMP/panel.log" 2> /dev/null
    echo "--- its items and icons:"; watcher RegisteredStatusNotifierItems 2> /dev/null; panel_icons 2> /dev/null
    echo "--- the peer saw:"; cat "$NET_TMP/peer.out" 2> /dev/null
    mkdir -p "$SCREENS"
    x A "$XSCREENSHOT" "$SCREENS/sni-failed.png" 2> /dev/null || true
}

display_up A
# The session bus of host A, private to the test; the panel brings its own watcher.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$NET_TMP/bus NO_AT_BRIDGE=1
spawn A dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" > /dev/null 2>&1
wait_until 10 test -S "$NET_TMP/bus" || { echo "no session bus could be started: skipped"; exit 77; }
DISPLAY=${HOST_DISPLAY[A]} spawn A gtk-sni-tray-standalone --watcher --top --end --size 30 > "$NET_TMP/panel.log" 2>&1
watcher() {
    on A dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher string:"$1"
}
wait_until 30 eval 'watcher IsStatusNotifierHostRegistered | grep -q true' ||
    { echo "the StatusNotifierItem panel did not start: skipped"; tail -n 20 "$NET_TMP/panel.log"; exit 77; }
# Windows that map before the window manager knows the panel's strip would
# cover the panel and its pictures: wait until the work area leaves it out.
panel_reserved() { x A xprop -root _NET_WORKAREA | grep -q '= 0, 30,'; }
wait_until 30 panel_reserved || { echo "the panel reserved no strip: skipped"; x A xprop -root _NET_WORKAREA; exit 77; }

# What the panel shows, left to right: "<x> <width>" of each run of columns
# with a picture. A moving star may be more than one. A run wider than any
# icon is a window that the window manager placed over the strip (it may, on
# a loaded machine, before it reads the panel's strut), not a picture.
panel_icons() { x A "$XSCREENSHOT" --spans 0 0 1024 30 | awk '$2 <= 60'; }
# The program's items on the panel, as the watcher counts them.
item_count_is() { [ "$(watcher RegisteredStatusNotifierItems | grep -c 'string ":')" -eq "$1" ]; }
# property NAME: a property of the program's main item, as the panel reads it.
item=""
property() {
    on A dbus-send --session --print-reply --dest="$item" /StatusNotifierItem \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:"$1"
}
# The labels of the menu the main item publishes, one a line.
menu_labels() {
    on A dbus-send --session --print-reply --dest="$item" /MenuBar com.canonical.dbusmenu.GetLayout \
        int32:0 int32:-1 array:string:label | grep -A1 '"label"' | sed -n 's/.*string "\(.*\)"$/\1/p'
}
# The menu the panel opened: "<x> <y> <w> <h>", none while it is shut.
panel_menu() {
    local w g
    for w in $(x A xdotool search --onlyvisible --class gtk-sni-tray-standalone 2> /dev/null); do
        g=$(x A xdotool getwindowgeometry --shell "$w")
        eval "$g"
        [ "$WIDTH" -eq 1024 ] && [ "$HEIGHT" -eq 30 ] && continue
        echo "$X $Y $WIDTH $HEIGHT"
        return 0
    done
    return 1
}
# open_menu X: right click on the icon at X until the panel shows its menu,
# whose place it prints.
open_menu() {
    local place=""
    for _ in 1 2 3; do
        click A "$1" 15 3
        place=$(wait_until 3 panel_menu && panel_menu) && [ -n "$place" ] && { echo "$place"; return 0; }
    done
    return 1
}
main_shown() { shows "$dir" '$1 == "window" && $3 == "MainForm" { print }' | grep -q .; }
hide_main() {
    x A xdotool windowminimize "$(x A xdotool search --onlyvisible --name '^Zephinet$' | head -n1)"
    wait_until 10 eval '! main_shown' || fail "the user list did not go into the tray"
}

start_desktop A "$dir"
wait_until 30 eval 'item_count_is 1 && [ "$(panel_icons | grep -c .)" -eq 1 ]' || fail "the panel shows no icon of the program"
item=$(watcher RegisteredStatusNotifierItems | sed -n 's/.*string "\([^"/]*\).*/\1/p' | head -n1)
[ -n "$item" ] || fail "the program registered no StatusNotifierItem"
read -r ix iw <<< "$(panel_icons)"
main_x=$((ix + iw / 2))
property Menu | grep -q '"/MenuBar"' || fail "the icon publishes no menu: $(property Menu | tr '\n' ' ')"
property ToolTip | grep -q '"Zephinet"' || fail "the icon's tip is not Zephinet over D-Bus"
resting=$(x A "$XSCREENSHOT" --print "$ix" 0 "$iw" 30 | cut -d' ' -f1)
echo "ok: the icon is on the panel at $ix, with its menu published"

# A left click on the icon brings the hidden user list back.
wait_until 20 main_shown || fail "the user list did not open at the start"
hide_main
click A "$main_x" 15 1
wait_until 10 main_shown || fail "a click on the icon did not bring the user list back"
hide_main
click A "$main_x" 15 2
wait_until 10 main_shown || fail "a middle click on the icon did not bring the user list back"
echo "ok: a click and a middle click on the icon brought the user list back"

# The right click shows the published menu; its first entry, オンライン状況(&M), acts.
hide_main
menu=$(open_menu "$main_x") || fail "a right click on the icon showed no menu"
read -r mx my mw mh <<< "$menu"
[ "$mh" -gt 200 ] || fail "the panel's menu is empty (${mw}x$mh)"
mkdir -p "$SCREENS"
x A "$XSCREENSHOT" "$SCREENS/sni-menu.png" "$mx" 0 "$((1024 - mx))" "$((my + mh + 4))"
click A "$((mx + 60))" "$((my + 18))"
wait_until 10 main_shown || fail "オンライン状況(&M) of the panel's menu did not show the user list"
echo "ok: the panel showed the published menu and its entry showed the user list"

# While a box is open the menu offers nothing: バージョン情報(&V), the entry
# above the last, opens the modal about box.
about='w == "Zephinet -バージョン情報-" { print }'
menu=$(open_menu "$main_x") || fail "a right click on the icon showed no menu"
read -r mx my mw mh <<< "$menu"
click A "$((mx + 60))" "$((my + mh - 47))"
wait_shows "$dir" "$about" 10 > /dev/null || fail "バージョン情報(&V) of the panel's menu did not open the about box"
click A "$main_x" 15 3
sleep 1
if place=$(panel_menu); then
    read -r mx my mw mh <<< "$place"
    x A "$XSCREENSHOT" "$SCREENS/sni-menu-box.png" "$mx" 0 "$((1024 - mx))" "$((my + mh + 4))"
    [ "$mh" -lt 40 ] || fail "the panel's menu offers entries while the about box is open (${mw}x$mh)"
    x A xdotool key Escape
    wait_until 10 eval '! panel_menu' || fail "the panel's empty menu did not close"
fi
click A $(centre $(shows "$dir" 'w == "Zephinet -バージョン情報-" && $1 == "button" { print $5, $6, $7, $8 }' | head -n1))
wait_gone "$dir" "$about" 10 || fail "the about box did not close"
menu=$(open_menu "$main_x") || fail "a right click after the about box showed no menu"
read -r mx my mw mh <<< "$menu"
[ "$mh" -gt 200 ] || fail "the menu's entries did not come back after the about box (${mw}x$mh)"
x A xdotool key Escape
wait_until 10 eval '! panel_menu' || fail "the panel's menu did not close"
echo "ok: while the about box was open the menu offered nothing; afterwards all of it"

# The peer on B: known to A, then two messages.
peer_logged_in "$b_handle"
echo "message $a_ip - $first" >&3
echo "message $a_ip - $second" >&3
wait_until 20 eval 'property ToolTip | grep -q "Zephinet -メッセージが届いています-"' ||
    fail "the tip over D-Bus does not say that messages arrived"
icon_moves() { [ "$(x A "$XSCREENSHOT" --print "$ix" 0 "$iw" 30 2 300 | sort -u | wc -l)" -eq 2 ]; }
wait_until 10 icon_moves || fail "the icon on the panel does not move while messages are unread"
wait_until 10 eval 'menu_labels | grep -qx "メッセージ受信 <未読2通>(_R)"' ||
    fail "the published menu does not count two unread messages: $(menu_labels | tr '\n' '|')"
menu=$(open_menu "$main_x") || fail "a right click on the moving icon showed no menu"
read -r mx my mw mh <<< "$menu"
x A "$XSCREENSHOT" "$SCREENS/sni-menu-unread.png" "$mx" 0 "$((1024 - mx))" "$((my + mh + 4))"
x A xdotool key Escape
wait_until 10 eval '! panel_menu' || fail "the panel's menu did not close"
echo "ok: the icon moves, its tip says so and its menu counts two unread messages"

# A double click reads the oldest message and brings the user list: the
# second waits, however many clicks the panel reports.
hide_main
click A "$main_x" 15 1 2
WANT=$first wait_shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "mmRecvData" && $3 == ENVIRON["WANT"] { print }' 10 > /dev/null ||
    fail "a double click on the icon did not show the first message"
wait_until 10 main_shown || fail "a double click on the icon did not bring the user list"
confirmations() { grep -c $'\tmessage\t'"$a_ip"$'\tOPEN_CHECK\t'"$b_ip"$'\t'"$a_handle"'$' "$NET_TMP/peer.out" || true; }
wait_until 10 eval '[ "$(confirmations)" -ge 1 ]' || fail "the peer got no read confirmation"
sleep 1
[ "$(confirmations)" -eq 1 ] || fail "a double click read $(confirmations) messages"
property ToolTip | grep -q "Zephinet -メッセージが届いています-" || fail "the second message is no longer unread"
echo "ok: a double click showed the first message and the user list; the second still waits"

# The receive window minimised: a click on its own icon brings it back.
recv_shown() { shows "$dir" 'w == "Zephinet -メッセージ受信-" { print }' | grep -q .; }
minimise_recv() {
    x A xdotool windowminimize "$(x A xdotool search --onlyvisible --name '^Zephinet -メッセージ受信-$' | head -n1)"
    wait_until 10 item_count_is 2 || fail "the minimised receive window has no icon on the panel"
    wait_until 10 eval '! recv_shown' || fail "the receive window stayed on the screen"
    # New icons go to the left of the main one.
    wait_until 10 eval '[ "$(panel_icons | head -n1 | cut -d" " -f1)" -lt "$((ix - 4))" ]' ||
        fail "the panel does not show the receive window's icon: $(panel_icons | tr '\n' ' ')"
    # The left part of the leftmost picture: the window's icon, even where
    # the moving star beside it joins it into one run.
    read -r wx _ <<< "$(panel_icons | head -n1)"
    win_x=$((wx + 8))
}
minimise_recv
screenshot A sni-minimised
click A "$win_x" 15 1
wait_until 10 recv_shown || fail "a click on its icon did not bring the receive window back"
wait_until 10 item_count_is 1 || fail "the receive window's icon stayed on the panel"
echo "ok: a click on its own icon brought the receive window back"

# Its icon's menu: ウィンドウを表示(&W), then メッセージ受信 <未読1通>(&R), which shows the next message.
minimise_recv
menu=$(open_menu "$win_x") || fail "a right click on the receive window's icon showed no menu"
read -r mx my mw mh <<< "$menu"
[ "$mh" -gt 40 ] || fail "the receive window's icon has an empty menu (${mw}x$mh)"
x A "$XSCREENSHOT" "$SCREENS/sni-window-menu.png" "$mx" 0 "$((1024 - mx))" "$((my + mh + 4))"
click A "$((mx + 60))" "$((my + mh * 3 / 4))"
WANT=$second wait_shows "$dir" 'w == "Zephinet -メッセージ受信-" && $2 == "mmRecvData" && $3 == ENVIRON["WANT"] { print }' 10 > /dev/null ||
    fail "the receive entry of the window's icon did not show the second message"
wait_until 10 eval '[ "$(confirmations)" -eq 2 ]' || fail "the peer did not get the second read confirmation"
wait_until 10 item_count_is 1 || fail "the receive window's icon stayed on the panel"
wait_until 10 eval 'property ToolTip | grep -q "\"Zephinet\""' || fail "the tip did not return to Zephinet"
wait_until 10 eval '[ "$(x A "$XSCREENSHOT" --print "$ix" 0 "$iw" 30 | cut -d" " -f1)" = "$resting" ]' ||
    fail "the icon did not return to rest"
echo "ok: the receive window's icon menu showed the next message; the icon rests again"
echo "1 passed, 0 failed"
