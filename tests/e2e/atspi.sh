#!/usr/bin/env bash
# A screen reader's view: host A runs the desktop program with its
# accessibility bridge on a private session bus and the AT-SPI bus beside it;
# a peer on host B logs in and sends a message. Read from outside the
# program through AT-SPI, the main, send, receive and options windows name
# every button, field, list and menu entry, and the user list exposes its
# rows: name, machine, address and absence.
set -euo pipefail
zephinet=$1
here=$(dirname "$0")
. "$here/netns.sh"
. "$here/desktop.sh"
need_desktop_tools dbus-daemon
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "at-spi2-core is not installed: skipped"; exit 77; }
/usr/bin/python3 -c 'import pyatspi' 2> /dev/null || { echo "python3-pyatspi is not installed: skipped"; exit 77; }

net_up A B
dir=$NET_TMP/A
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
write_settings "$dir" HandleName=alice RecvAutoOpen=1 MouseAnimation=0
a_ip=$(host_ip A)

on_fail() {
    show_hosts atspi A
    echo "--- the peer:"; cat "$NET_TMP/peer.out" "$NET_TMP/peer.err" 2> /dev/null || true
}

display_up A
# A session bus on a socket file (abstract sockets stay in the namespace that made them).
export DBUS_SESSION_BUS_ADDRESS=unix:path=$NET_TMP/bus
spawn A dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" > "$NET_TMP/bus.log" 2>&1
wait_until 10 test -S "$NET_TMP/bus" || { cat "$NET_TMP/bus.log"; echo "no session bus: skipped"; exit 77; }
DISPLAY=${HOST_DISPLAY[A]} spawn A /usr/libexec/at-spi-bus-launcher --launch-immediately > "$NET_TMP/launcher.log" 2>&1
wait_until 10 on A dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress ||
    { echo "the AT-SPI bus did not start: skipped"; exit 77; }

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 start_desktop A "$dir"
wait_shows "$dir" '$1 == "window" && $3 == "MainForm" && $8 == "1" { print }' 20 > /dev/null ||
    fail "A's main window did not become active"
peer_logged_in bob
b_row='$1 == "row" && $2 == "lvUser" && $9 == "bob"'
wait_shows "$dir" "$b_row"' { print }' 30 > /dev/null || fail "A's user list never showed bob"

# Bob's row selected from the keyboard, then the options from the menu.
for key in Home Down Down; do
    x A xdotool key --clearmodifiers "$key"
    wait_shows "$dir" "$b_row"' && $4 == "1" { print }' 2 > /dev/null && break
done
for _ in 1 2 3; do
    x A xdotool key --clearmodifiers alt+o
    sleep 0.5
    x A xdotool key --clearmodifiers o
    wait_shows "$dir" '$1 == "window" && $3 == "OptionForm" { print }' 5 > /dev/null && break
    x A xdotool key --clearmodifiers Escape
done
wait_shows "$dir" '$1 == "window" && $3 == "OptionForm" { print }' 1 > /dev/null || fail "no options window"
# Back in the user list, Enter opens the send window; the peer's message the receive window.
for _ in 1 2 3; do
    x A xdotool search --onlyvisible --name '^Zephinet$' windowactivate --sync > /dev/null 2>&1 || true
    wait_shows "$dir" '$1 == "window" && $3 == "MainForm" && $8 == "1" { print }' 3 > /dev/null && break
done
x A xdotool key --clearmodifiers Return
wait_shows "$dir" '$1 == "window" && $3 == "SendForm" { print }' 10 > /dev/null || fail "no send window"
echo "message $a_ip - hello from bob" >&3
wait_shows "$dir" '$1 == "window" && $3 == "RecvForm" { print }' 20 > /dev/null || fail "no receive window"

on A env DISPLAY="${HOST_DISPLAY[A]}" /usr/bin/python3 "$here/atspi_read.py" zephinet Zephinet \
    "Zephinet -メッセージ送信-" "Zephinet -メッセージ受信-" "Zephinet -オプション-" | tee "$NET_TMP/read.txt" ||
    fail "what AT-SPI reads falls short"
grep -q 'row .*: bob (在席) | host-b | 10.77.0.2' "$NET_TMP/read.txt" || fail "the user list's rows do not read bob, host-b"
echo "1 passed, 0 failed"
