#!/usr/bin/env bash
# Host A runs the desktop program with DesktopNotification=1 and a session bus
# of its own; a peer on host B, named "<img src=x>", sends messages. With no
# notification server on the bus the notification window takes the arrival.
# Then a real server (dunst) starts on A's display: the next message gives one
# notification, from "Zephinet", with the name as text; a burst of three more
# replaces it rather than adding three; a click on it opens the receive window
# and the read confirmation goes back to B. With the server gone again, the
# notification window takes the next arrival.
set -euo pipefail
zephinet=$1
here=$(dirname "$0")
. "$here/netns.sh"
. "$here/desktop.sh"
need_desktop_tools dunst dunstctl dbus-daemon dbus-send

net_up A B
rm -f "$SCREENS/notify"-*.png
dir=$NET_TMP/A
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
write_settings "$dir" "HandleName=有栖" RecvCheck=1 DesktopNotification=1 LogSave=0 MouseAnimation=0 \
    AutoClose=1 AutoCloseTimer=1
a_ip=$(host_ip A)
b_name='<img src=x>'

on_fail() {
    show_hosts notify A
    echo "--- the notification server printed:"; cat "$NET_TMP/dunst.out" 2> /dev/null || true
    echo "--- and said:"; cat "$NET_TMP/dunst.err" 2> /dev/null || true
    echo "--- B:"; grep -v $'\tsent\t' "$NET_TMP/B.out" 2> /dev/null | tail -n 10 || true
}

display_up A

# The session bus: a socket file (abstract ones stay in the namespace that
# made them), and no services that the bus would start by itself, so that
# the server is there exactly while this test runs it.
cat > "$NET_TMP/bus.conf" << EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$NET_TMP/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
export DBUS_SESSION_BUS_ADDRESS=unix:path=$NET_TMP/bus
spawn A dbus-daemon --config-file="$NET_TMP/bus.conf" --nofork > "$NET_TMP/bus.log" 2>&1
wait_until 10 test -S "$NET_TMP/bus" || { cat "$NET_TMP/bus.log"; echo "no session bus: skipped"; exit 77; }

# A left click acts (dunst closes by default); nothing expires meanwhile.
cat > "$NET_TMP/dunstrc" << EOF
[global]
    mouse_left_click = do_action, close_current
    markup = full
    font = Noto Sans CJK JP 10
    width = 420
    show_indicators = no
    origin = top-right
    offset = 10x10
    frame_width = 2
    icon_position = left
    min_icon_size = 32
[urgency_normal]
    timeout = 0
EOF
start_desktop A "$dir"
mkfifo "$NET_TMP/B.in"
exec 3<> "$NET_TMP/B.in"
spawn B "$TESTPEER" --handle "$b_name" < "$NET_TMP/B.in" > "$NET_TMP/B.out" 2> "$NET_TMP/B.err"
wait_for_line "$NET_TMP/B.out" $'\tready\t' 10 || fail "peer B did not start"
wait_shows "$dir" '$1 == "window" && $3 == "MainForm" { print }' 20 > /dev/null || fail "A's main window never showed"

# What the server was given, one line per notification of Zephinet:
# "id<TAB>summary<TAB>body<TAB>desktop entry<TAB>image<TAB>actions".
notified() {
    awk 'function value() { v = $0; sub(/^\t[a-z_ ]+: /, "", v); return v }
        /^\{/ { app = s = b = e = r = id = a = ""; inbody = inactions = 0; next }
        /^\tbody: / { b = value(); inbody = 1; next }
        /^\t[a-z_ ]+: / { inbody = 0 }
        inbody { b = b "\\n" $0; next }
        /^\tactions: / { inactions = 1; next }
        inactions && /^\t\}/ { inactions = 0; next }
        inactions { a = a $0; next }
        /^\tappname: / { app = value() }
        /^\tsummary: / { s = value() }
        /^\tdesktop_entry: / { e = value() }
        /^\traw_icon set: / { r = value() }
        /^\tid: / { id = value() }
        /^\}/ && app == "'"'"'Zephinet'"'"'" { print id "\t" s "\t" b "\t" e "\t" r "\t" a }' "$NET_TMP/dunst.out" 2> /dev/null
}
displayed() { dunstctl count displayed 2> /dev/null; }
notice_shows() {
    WANT="「${b_name}」からメッセージが届きました。" wait_shows "$dir" \
        'w == "Zephinet -イベント通知-" && $2 == "laMessage" && index($3, ENVIRON["WANT"]) { print }' 20 > /dev/null
}

echo "message $a_ip - hello 0" >&3
notice_shows || fail "without a server the notification window did not show the arrival"
wait_gone "$dir" 'w == "Zephinet -イベント通知-" { print }' 10 || fail "the notification window did not close itself"
echo "ok: with no server on the bus the notification window took the arrival"

DISPLAY=${HOST_DISPLAY[A]} spawn A dunst -config "$NET_TMP/dunstrc" -print > "$NET_TMP/dunst.out" 2> "$NET_TMP/dunst.err"
dunst_pid=$!
wait_until 10 dunstctl count displayed || { cat "$NET_TMP/dunst.err"; echo "no notification server: skipped"; exit 77; }
# The program hears of the server through the bus; give that a moment.
sleep 1

echo "message $a_ip - hello 1" >&3
wait_until 20 eval '[ "$(notified | wc -l)" -ge 1 ]' || fail "no notification for B's message"
sleep 1 # a second one would come now
[ "$(notified | wc -l)" -eq 1 ] || fail "one message gave $(notified | wc -l) notifications"
IFS=$'\t' read -r id summary body entry image actions <<< "$(notified)"
echo "notification $id: $summary / $body / entry $entry / image $image / actions $actions"
[ "$summary" = "'未読メッセージが2通あります'" ] || fail "summary $summary"
[ "$body" = "'「&lt;img src=x&gt;」からメッセージが届きました。'" ] || fail "the body does not hold B's name escaped: $body"
[ "$entry" = "'invalid.zephinet.Zephinet'" ] || fail "desktop entry $entry"
[ "$image" = "true" ] || fail "no image given"
[[ "$actions" == *'"default"'* ]] || fail "no default action: $actions"
[ "$(displayed)" = 1 ] || fail "the server shows $(displayed) notifications"
echo "ok: one notification, B's name escaped in its body"

for n in 2 3 4; do echo "message $a_ip - hello $n" >&3; done
wait_until 20 eval 'notified | tail -n 1 | grep -q "未読メッセージが5通あります"' ||
    fail "the notification never counted five messages"
sleep 1
ids=$(notified | cut -f1 | sort -u)
[ "$ids" = "$id" ] || fail "the burst gave notifications $(echo $ids) instead of replacing $id"
[ "$(displayed)" = 1 ] || fail "after the burst the server shows $(displayed) notifications"
[ "$(notified | tail -n 1 | cut -f3 | grep -o 'からメッセージが届きました' | wc -l)" -eq 4 ] ||
    fail "the last notification does not list the four arrivals"
screenshot A notify-burst
popup=$(x A xdotool search --class Dunst | head -n 1)
[ -n "$popup" ] || fail "no window of the notification server"
eval "$(x A xdotool getwindowgeometry --shell "$popup")"
x A "$XSCREENSHOT" "$SCREENS/notify-popup.png" $((X - 8)) $((Y - 8)) $((WIDTH + 16)) $((HEIGHT + 16)) ||
    fail "no picture of the notification"
echo "ok: three more messages replaced notification $id, which now counts 5"

# A click on it, as a person gives it: the receive window, and B hears that it was read.
click A $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
wait_shows "$dir" 'w == "Zephinet -メッセージ受信-" && $1 == "text" && $2 == "mmRecvData" && $3 == "hello 0" { print }' 10 > /dev/null ||
    fail "the click on the notification did not open the receive window"
wait_for_line "$NET_TMP/B.out" $'\tmessage\t'"$a_ip"$'\tOPEN_CHECK\t' 10 || fail "B got no read confirmation"
echo "ok: the click opened the receive window and B got OPEN_CHECK"

# The server gone: the notification window again, with the name as text.
kill "$dunst_pid"
wait_until 10 eval '! dunstctl count displayed' || fail "the server did not end"
echo "message $a_ip - hello 5" >&3
notice_shows || fail "with the server gone the notification window did not show the arrival"
echo "ok: with the server gone the notification window took the arrival"
echo "1 passed, 0 failed"
