#!/usr/bin/env bash
# The desktop program itself, killed with SIGKILL at random moments while a
# peer keeps sending it messages: every start writes the settings file (a
# stored font size of 10 is written back as 9) and every message a log
# record. After each kill the settings file is byte for byte the one before
# or the one after that write, and the log is the one before with whole
# records added on top. One host in a network namespace of its own, so that
# nothing reaches a real network. Usage: desktop_kill.sh ZEPHINET TESTPEER CRASHWRITER
set -euo pipefail
zephinet=$1 testpeer=$2 crashwriter=$3
runs=${ZN_DESKTOP_KILL_RUNS:-20}
here=$(dirname "$0")
. "$here/../e2e/netns.sh"
command -v iconv > /dev/null || { echo "iconv is not installed: skipped"; exit 77; }

net_up A B
dir=$NET_TMP/A
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
export LC_ALL=C.UTF-8
{
    printf '[LocalSetting]\r\n'
    for kv in HandleName=受信者 LogFileMaxCount=40 "LogFileName=$dir/LOG.ZNG" StartShow=1 \
        MouseAnimation=0 TaskAnimation=0; do
        printf '%s\r\n' "$kv"
    done
    printf '[Font]\r\nSize=10\r\n'
} | iconv -f UTF-8 -t CP932 > "$dir/Zephinet.INI"

on_fail() {
    echo "--- the program said:"; cat "$dir/out.log" 2> /dev/null
    echo "--- the peer said:"; tail -5 "$NET_TMP/peer.log" 2> /dev/null
}

# The peer on B sends "desk <n>" to A about every 20 ms, as long as the test runs.
mkfifo "$NET_TMP/peer.in"
exec 3<> "$NET_TMP/peer.in"
spawn B "$testpeer" --handle 送信者 < "$NET_TMP/peer.in" > "$NET_TMP/peer.log" 2>&1
wait_for_line "$NET_TMP/peer.log" ready 10 || fail "the test peer did not start"
(n=0; while :; do n=$((n + 1)); echo "message 10.77.0.1 - desk $n" >&3; sleep 0.02; done) &
NET_PIDS+=($!)

before_write=0 after_write=0 records=0 added=0
for ((run = 1; run <= runs; run++)); do
    LC_ALL=C sed -i 's/^Size=.*\r$/Size=10\r/' "$dir/Zephinet.INI"
    cp "$dir/Zephinet.INI" "$NET_TMP/old.ini"
    LC_ALL=C sed 's/^Size=.*\r$/Size=9\r/' "$NET_TMP/old.ini" > "$NET_TMP/new.ini"
    rm -f "$NET_TMP/old.log"
    [ ! -e "$dir/LOG.ZNG" ] || cp "$dir/LOG.ZNG" "$NET_TMP/old.log"

    QT_QPA_PLATFORM=offscreen spawn A "$dir/zephinet" > "$dir/out.log" 2>&1
    pid=$!
    ms=$((RANDOM % 1200 + 10))
    sleep "$(printf '%d.%03d' $((ms / 1000)) $((ms % 1000)))"
    kill -KILL "$pid" 2> /dev/null || fail "run $run: the program had ended before it was killed"
    wait "$pid" 2> /dev/null || true

    if cmp -s "$dir/Zephinet.INI" "$NET_TMP/old.ini"; then
        before_write=$((before_write + 1))
    elif cmp -s "$dir/Zephinet.INI" "$NET_TMP/new.ini"; then
        after_write=$((after_write + 1))
    else
        fail "run $run (killed after $ms ms): the settings file is neither the old nor the new one"
    fi
    result=$("$crashwriter" --check-log "$NET_TMP/old.log" "$dir/LOG.ZNG" 40) ||
        fail "run $run (killed after $ms ms): $result"
    records=${result% *}
    added=$((added + ${result#* }))
done
echo "desktop kill test: $runs runs, 0 failures; settings file old $before_write times, new $after_write times;" \
    "$added log records written in all, $records in the log at the end"
[ "$added" -gt 0 ] || fail "no message was ever logged: the kills proved nothing"
