#!/usr/bin/env bash
# The installed programs at work: the desktop program started from a DESTDIR
# install on host A's display finds its sound plugin in the installed library
# directory when host B comes online, and on host B the installed bash
# completion offers zephinet-cli's commands and, for send, the users that a
# quick `who` of the installed companion finds (A's machine and handle name);
# A keeps its settings and its log under its home's configuration directory.
# Usage: installed_desktop.sh BUILD EXPECTED-LIST
set -euo pipefail
build=$1 list=$2
[ "$(id -u)" -eq 0 ] || { echo "needs root for network namespaces: skipped"; exit 77; }
[ -r /usr/share/bash-completion/bash_completion ] || { echo "bash-completion is not installed: skipped"; exit 77; }
e2e=$(cd "$(dirname "$0")/../e2e" && pwd)
. "$e2e/netns.sh"
. "$e2e/desktop.sh"
. "$(dirname "$0")/installed.sh"
need_desktop_tools

root=$NET_TMP/root
DESTDIR=$root cmake --install "$build" --strip > "$NET_TMP/install.log" || {
    cat "$NET_TMP/install.log"; fail "cmake --install failed"; }
bin=$root/$(bindir_of "$list")
plugin=$root/$(grep 'zephinet-sound' "$list")
completion=$root/$(grep 'completions/zephinet-cli' "$list")

net_up A B
display_up A
a_name=$(host_name A)

# A sound for a user coming online, and a log named by a relative path, in
# the configuration directory of a home of its own: an installed copy reads
# its settings there, never beside the program.
printf 'RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00data\x00\x00\x00\x00' \
    > "$NET_TMP/online.wav"
home=$NET_TMP/home
mkdir -p "$home/.config/Zephinet"
write_settings "$home/.config/Zephinet" HandleName=alice IventSound=1 "SoundFileUserOnline=$NET_TMP/online.wav" \
    LogSave=1 LogFileName=messages.zng
mkdir -p "$NET_TMP/elsewhere"
cd "$NET_TMP/elsewhere"

DISPLAY=${HOST_DISPLAY[A]} QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 HOME=$home XDG_CONFIG_HOME=$home/.config \
    spawn A "$bin/zephinet" > "$NET_TMP/a.log" 2>&1
a_pid=$!
on_fail() {
    echo "--- what A said:"
    cat "$NET_TMP/a.log"
}

# complete WORD... : what the installed completion offers for the last word.
complete_on_b() {
    on B env PATH="$bin:$PATH" COMPLETION="$completion" bash -c '
        . /usr/share/bash-completion/bash_completion
        . "$COMPLETION"
        COMP_WORDS=(zephinet-cli "$@")
        COMP_CWORD=$#
        COMP_LINE="zephinet-cli $*"
        COMP_POINT=${#COMP_LINE}
        _zephinet_cli
        printf "%s\n" "${COMPREPLY[@]}"' complete "$@"
}

[ "$(complete_on_b "" | sort | tr '\n' ' ')" = "absence doctor send watch who " ] ||
    fail "the completion does not offer the five commands: $(complete_on_b "")"
[ "$(complete_on_b send --w)" = "--wait" ] || fail "the completion does not offer send's --wait"
echo "ok: the installed completion offers the commands and their options"

users=""
for _ in $(seq 20); do
    users=$(complete_on_b send "")
    grep -qx "$a_name" <<< "$users" && break
    sleep 0.5
done
grep -qx "$a_name" <<< "$users" || fail "the completion does not offer A's machine name: '$users'"
grep -qx alice <<< "$users" || fail "the completion does not offer A's handle name: '$users'"
echo "ok: the completion offers the users online: $(tr '\n' ' ' <<< "$users")"

wait_until 10 grep -qF "$plugin" "/proc/$a_pid/maps" ||
    fail "the installed program did not load the installed sound plugin $plugin"
! grep -q "sound plugin cannot be loaded" "$NET_TMP/a.log" || fail "A could not load its sound plugin"
echo "ok: the installed program plays through the installed sound plugin"

on B env -u DISPLAY "$bin/zephinet-cli" send alice --text "from B" > /dev/null || fail "B could not send A a message"
wait_until 10 grep -q "from B" "$home/.config/Zephinet/messages.zng" ||
    fail "A logged nothing in its configuration directory"

kill -TERM "$a_pid"
wait "$a_pid" || fail "A exited with $? on SIGTERM"
echo "ok: the installed program quits on SIGTERM"
[ "$(ls "$bin" | tr '\n' ' ')" = "zephinet zephinet-cli " ] || fail "A wrote beside its program: $(ls "$bin")"
[ -z "$(ls "$NET_TMP/elsewhere")" ] || fail "A wrote in its working directory: $(ls "$NET_TMP/elsewhere")"
echo "ok: the installed program keeps its settings and its log in the configuration directory"
