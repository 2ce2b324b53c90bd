# The desktop program on virtual displays in the test hosts. Source it after
# netns.sh; the tools come from the environment that CMake gives the test
# (XSCREENSHOT, XKEYSYMS, TESTPEER, PROBE_PLUGIN_PATH, SCREENS).
#   need_desktop_tools            skips the test (77) when a tool is missing
#   display_up A [B...]           a virtual display with a window manager on each host
#   x A cmd...                    runs cmd on host A against A's display
#   write_settings DIR K=V...     DIR/Zephinet.INI, [LocalSetting], CP932, CR LF
#   start_desktop A DIR [ARG...]  starts DIR/zephinet on A's display; $! is it
#   shows DIR AWK                 runs AWK over what the windows of DIR's program show
#   wait_shows DIR AWK [SECONDS]  the same until AWK prints something, and prints it
#   wait_gone DIR AWK [SECONDS]   until AWK prints nothing
#   click A X Y [BUTTON [REPEAT]] moves the pointer there and clicks
#   screenshot A NAME             saves A's screen as $SCREENS/NAME.png
#   show_hosts NAME A [B...]      what each host's program showed and said, and
#                                 a picture $SCREENS/NAME-failed-A.png: for on_fail
#
# What the windows show comes from a style plugin loaded into the program
# (probestyle.cpp): a file of lines, fields separated by tabs,
#   window <title> <objectName> <x> <y> <w> <h> <active>
#   label|edit|text|button <objectName> <text> <enabled> <x> <y> <w> <h> [<checked>]
#   row <view> <row> <selected> <x> <y> <w> <h> <cells...>
#   item <menu> <text> <enabled> <x> <y> <w> <h>
#   tray <tip> <x> <y> <w> <h>
# with "\n" for a line break in a text. The AWK programs below see the title
# of the window a line belongs to in the variable w.

declare -A HOST_DISPLAY
# Qt's programs want a private runtime directory.
export XDG_RUNTIME_DIR=$NET_TMP/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

need_desktop_tools() {
    local tool
    for tool in Xvfb openbox xdotool xwininfo xprop iconv "$@"; do
        command -v "$tool" > /dev/null || { echo "$tool is not installed: skipped"; exit 77; }
    done
}

# wait_until SECONDS cmd... : runs cmd every 0.1 s until it succeeds.
wait_until() {
    local limit=$1 i
    shift
    for ((i = 0; i < limit * 10; i++)); do
        "$@" > /dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

x() {
    local h=$1
    shift
    DISPLAY=${HOST_DISPLAY[$h]} on "$h" "$@"
}

# display_up A B ...: the displays start side by side.
display_up() {
    local h n=299 pid
    declare -A pids
    for h in "$@"; do
        for ((n = n + 1; n < 400; n++)); do
            [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
        done
        [ "$n" -lt 400 ] || fail "no free display number for host $h"
        spawn "$h" Xvfb ":$n" -nolisten tcp -screen 0 1024x768x24 > /dev/null 2>&1
        pids[$h]=$!
        HOST_DISPLAY[$h]=":$n"
    done
    for h in "$@"; do
        # A display number that another program took meanwhile ends our server.
        wait_until 20 x "$h" xdotool getdisplaygeometry && kill -0 "${pids[$h]}" 2> /dev/null ||
            fail "the display ${HOST_DISPLAY[$h]} of host $h did not come up"
        DISPLAY=${HOST_DISPLAY[$h]} spawn "$h" openbox > "$NET_TMP/openbox-$h.log" 2>&1
    done
    for h in "$@"; do
        wm_up "$h" && continue
        # An openbox that gave up while the display settled is started once more.
        echo "openbox on host $h did not take the screen; it said:"
        cat "$NET_TMP/openbox-$h.log" 2> /dev/null || true
        DISPLAY=${HOST_DISPLAY[$h]} spawn "$h" openbox --replace >> "$NET_TMP/openbox-$h.log" 2>&1
        wm_up "$h" || { cat "$NET_TMP/openbox-$h.log" 2> /dev/null || true; fail "no window manager on host $h"; }
    done
}

wm_up() {
    wait_until 20 eval "x $1 xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'"
}

write_settings() {
    local dir=$1 kv
    shift
    { printf '[LocalSetting]\r\n'; for kv; do printf '%s\r\n' "$kv"; done; } | iconv -f UTF-8 -t CP932 > "$dir/Zephinet.INI"
}

start_desktop() {
    local h=$1 dir=$2
    shift 2
    DISPLAY=${HOST_DISPLAY[$h]} QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
        QT_PLUGIN_PATH=$PROBE_PLUGIN_PATH QT_STYLE_OVERRIDE=zephinetprobe ZN_PROBE_FILE=$dir/shown.txt \
        spawn "$h" "$dir/zephinet" "$@" > "$dir/out.log" 2>&1
}

shows() {
    awk -F'\t' '$1 == "window" { w = $2 } '"$2" "$1/shown.txt" 2> /dev/null
}

wait_shows() {
    local dir=$1 program=$2 limit=${3:-20} i result
    for ((i = 0; i < limit * 10; i++)); do
        result=$(shows "$dir" "$program")
        [ -n "$result" ] && { echo "$result"; return 0; }
        sleep 0.1
    done
    return 1
}

# wait_gone DIR AWK [SECONDS]: until AWK prints nothing.
wait_gone() {
    local dir=$1 program=$2 limit=${3:-20} i
    for ((i = 0; i < limit * 10; i++)); do
        [ -z "$(shows "$dir" "$program")" ] && return 0
        sleep 0.1
    done
    return 1
}

# centre X Y W H -> "x y" of its middle
centre() { echo "$(($1 + $3 / 2)) $(($2 + $4 / 2))"; }

click() {
    local h=$1 px=$2 py=$3 button=${4:-1} repeat=${5:-1}
    x "$h" xdotool mousemove --sync "$px" "$py"
    x "$h" xdotool click --repeat "$repeat" --delay 80 "$button"
}

screenshot() {
    mkdir -p "$SCREENS"
    x "$1" "$XSCREENSHOT" "$SCREENS/$2.png" || fail "no screenshot of host $1"
    echo "screenshot: $SCREENS/$2.png"
}

show_hosts() {
    local name=$1 h
    shift
    for h in "$@"; do
        echo "--- host $h shows:"; cat "$NET_TMP/$h/shown.txt" 2> /dev/null
        echo "--- host $h said:"; cat "$NET_TMP/$h/out.log" 2> /dev/null
        mkdir -p "$SCREENS"
        x "$h" "$XSCREENSHOT" "$SCREENS/$name-failed-$h.png" 2> /dev/null || true
    done
}

# The text in the tab-separated field as the probe writes it, from a text
# with real line breaks.
probe_text() { printf '%s' "$1" | awk 'BEGIN { ORS = "" } NR > 1 { print "\\n" } { print }'; }

# peer_logged_in HANDLE: the test peer on host B under HANDLE, its commands
# read from descriptor 3, logged in and answered by the copy on host A.
peer_logged_in() {
    local a_ip b_ip
    a_ip=$(host_ip A) b_ip=$(host_ip B)
    mkfifo "$NET_TMP/peer.in"
    exec 3<> "$NET_TMP/peer.in"
    spawn B "$TESTPEER" --handle "$1" < "$NET_TMP/peer.in" > "$NET_TMP/peer.out" 2> "$NET_TMP/peer.err"
    wait_for_line "$NET_TMP/peer.out" $'\tready\t' 10 || fail "the peer did not start"
    echo login >&3
    wait_for_line "$NET_TMP/peer.out" $'\tmessage\t'"$a_ip"$'\tLOGIN_OK\t'"$b_ip"$'\t' 20 || fail "A did not answer the peer's LOGIN"
}
