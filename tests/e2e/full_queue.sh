#!/usr/bin/env bash
# Three test peers on hosts B, C and D send the desktop copy on host A 320
# messages in turn while nobody reads. The unread queue holds 256: every one
# of the 320 is in A's log all the same, each of the 64 that arrived with the
# queue full is answered with a MESSAGE_EXCLAMATION naming its own sender,
# and the notification window says so once. A probe inside A reads the
# notification window's text.
set -euo pipefail
zephinet=$1
testpeer=$2
probe_path=$3
here=$(dirname "$0")
. "$here/netns.sh"

total=320
queued=256

net_up A B C D
a_ip=$(host_ip A)
peers=(B C D)

dir=$NET_TMP/a
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
{
    printf '[LocalSetting]\r\n'
    printf '%s\r\n' HandleName=copy RecvCheck=0 OnlineCheck=0 OfflineCheck=0 MouseAnimation=0 RecvAutoOpen=0 \
        LogSave=1 "LogFileName=$dir/LOG.ZNG" LogFileMaxCount=0
} > "$dir/Zephinet.INI"
export XDG_RUNTIME_DIR=$NET_TMP/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

on_fail() {
    echo "--- A said:"; tail -n 20 "$dir/out.log"
    echo "--- the notification window:"; cat "$dir/notice.txt" 2> /dev/null; echo
    local h
    for h in "${peers[@]}"; do echo "--- $h:"; grep -v $'\tsent\t' "$NET_TMP/$h.out" | tail -n 5; done
}

QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 QT_PLUGIN_PATH=$probe_path QT_STYLE_OVERRIDE=zephinetloopprobe \
    ZN_LOOP_PROBE_FILE=$dir/loop.tsv ZN_LOOP_PROBE_NOTICE_FILE=$dir/notice.txt spawn A "$dir/zephinet" > "$dir/out.log" 2>&1

# Each peer reads its commands from a pipe held open here: fds 3, 4 and 5.
fd=3
for h in "${peers[@]}"; do
    mkfifo "$NET_TMP/$h.in"
    eval "exec $fd<> \"\$NET_TMP/$h.in\""
    spawn "$h" "$testpeer" --handle "peer$h" < "$NET_TMP/$h.in" > "$NET_TMP/$h.out" 2> "$NET_TMP/$h.err"
    fd=$((fd + 1))
done
for h in "${peers[@]}"; do
    wait_for_line "$NET_TMP/$h.out" $'\tready\t' 10 || fail "peer $h did not start"
done
wait_for_line "$dir/loop.tsv" . 20 || fail "the probe in A never reported"

# Message i comes from peer i mod 3.
for ((i = 0; i < total; i++)); do
    echo "message $a_ip - note $i" >&$((3 + i % 3))
    [ $((i % 40)) -eq 39 ] && sleep 0.05
done

logged_texts() { grep -a '^note [0-9]*' "$dir/LOG.ZNG" 2> /dev/null | tr -d '\r' || true; }
for _ in $(seq 200); do
    [ "$(logged_texts | wc -l)" -ge "$total" ] && break
    sleep 0.1
done
# The notice is shown once the event loop gets to it, later on a slow build.
for _ in $(seq 100); do
    grep -q '受け取れませんでした' "$dir/notice.txt" 2> /dev/null && break
    sleep 0.1
done
sleep 1.5  # the last answers, and no second notice

logged=$(logged_texts | wc -l)
distinct=$(logged_texts | sort -u | wc -l)
# The log is newest first: in order of arrival, the records after the first
# 256 are the messages the queue refused. Their senders, and the warnings
# each peer received.
refused=$(logged_texts | tac | tail -n +$((queued + 1)))
warned_total=0
per_peer_ok=1
for p in 0 1 2; do
    h=${peers[$p]}
    h_ip=$(host_ip "$h")
    expected=$(printf '%s\n' "$refused" | awk -v p="$p" 'NF == 2 && $2 % 3 == p { n++ } END { print n + 0 }')
    got=$(awk -F'\t' -v me="$h_ip" -v a="$a_ip" '$2 == "message" && $3 == a && $4 == "MESSAGE_EXCLAMATION" && $5 == me && $6 == "copy" { n++ }
        END { print n + 0 }' "$NET_TMP/$h.out")
    # Warnings naming anyone else reach this peer too (they are broadcast): count only its own.
    echo "peer $h: $expected of its messages refused, $got MESSAGE_EXCLAMATIONs naming it"
    warned_total=$((warned_total + got))
    [ "$got" -eq "$expected" ] || per_peer_ok=0
done
notices=$(grep -o '受け取れませんでした' "$dir/notice.txt" 2> /dev/null | wc -l || true)
delivered=$((logged < queued ? logged : queued))
echo "messages: $total sent, $logged logged ($distinct distinct), $queued queued at most, $warned_total senders warned"
echo "delivered or warned: $((delivered + warned_total)) of $total; notices of refused messages: $notices"

[ "$logged" -eq "$total" ] && [ "$distinct" -eq "$total" ] || fail "$logged of $total messages logged"
[ "$warned_total" -eq $((total - queued)) ] || fail "$warned_total warnings for $((total - queued)) refused messages"
[ "$per_peer_ok" -eq 1 ] || fail "a peer was warned for messages it did not lose"
[ "$notices" -eq 1 ] || fail "$notices notices of refused messages, expected one"
grep -q '（これまでに1通）' "$dir/notice.txt" || fail "the notice does not count the refused message"
echo "ok"
