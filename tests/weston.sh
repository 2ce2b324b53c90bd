# A headless Wayland compositor for the tests that need a real one. Source it.
#   weston_up          starts weston on a socket of its own in a private
#                      runtime directory and exports WAYLAND_DISPLAY and
#                      XDG_RUNTIME_DIR; skips the test (exit 77) where weston
#                      or Qt's Wayland platform plugin is missing
#   weston_windows     the titles of the top-level windows the compositor
#                      has mapped, one a line, read from its scene graph
#   weston_wait_window TITLE [SECONDS]   until a window of that title is mapped
#   weston_wait_gone TITLE [SECONDS]     until none is
# The compositor ends with the shell that sourced this file.

weston_up() {
    command -v weston > /dev/null || { echo "weston is not installed: skipped"; exit 77; }
    command -v weston-debug > /dev/null || { echo "weston-debug is not installed: skipped"; exit 77; }
    local plugins
    plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2> /dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
    compgen -G "$plugins/platforms/libqwayland-*.so" > /dev/null ||
        { echo "Qt's Wayland platform plugin (qt6-wayland) is not installed: skipped"; exit 77; }
    WESTON_DIR=$(mktemp -d)
    chmod 700 "$WESTON_DIR"
    export XDG_RUNTIME_DIR=$WESTON_DIR
    export WAYLAND_DISPLAY=zn-wayland-$$
    # The debug protocol lets the test read the scene graph; nothing on the
    # machine but this test can reach the private socket.
    weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 --debug \
        > "$WESTON_DIR/weston.log" 2>&1 &
    WESTON_PID=$!
    # After whatever the test had to do at its end already.
    local previous
    previous=$(trap -p EXIT | sed "s/^trap -- '\(.*\)' EXIT\$/\1/")
    trap "${previous:+$previous; }weston_down" EXIT
    local i
    for ((i = 0; i < 100; i++)); do
        [ -S "$WESTON_DIR/$WAYLAND_DISPLAY" ] && weston_windows > /dev/null 2>&1 && return 0
        kill -0 "$WESTON_PID" 2> /dev/null || break
        sleep 0.1
    done
    cat "$WESTON_DIR/weston.log" >&2
    echo "weston did not start: skipped"
    exit 77
}

weston_down() {
    kill -TERM "$WESTON_PID" 2> /dev/null || true
    wait "$WESTON_PID" 2> /dev/null || true
    # A desktop portal started on the way mounts its documents here.
    if mountpoint -q "$WESTON_DIR/doc" 2> /dev/null; then
        fusermount3 -uz "$WESTON_DIR/doc" 2> /dev/null || umount -l "$WESTON_DIR/doc" 2> /dev/null || true
    fi
    rm -rf "$WESTON_DIR" 2> /dev/null || true
}

weston_windows() {
    # The stream runs until the client ends it: one picture is enough.
    timeout 2 weston-debug scene-graph 2> /dev/null |
        sed -n "s/.*role xdg_toplevel, .* top-level window '\(.*\)' of .*/\1/p" || true
}

weston_wait_window() {
    local title=$1 limit=${2:-20} i
    for ((i = 0; i < limit * 4; i++)); do
        weston_windows | grep -qxF -- "$title" && return 0
        sleep 0.25
    done
    return 1
}

weston_wait_gone() {
    local title=$1 limit=${2:-20} i
    for ((i = 0; i < limit * 4; i++)); do
        weston_windows | grep -qxF -- "$title" || return 0
        sleep 0.25
    done
    return 1
}
