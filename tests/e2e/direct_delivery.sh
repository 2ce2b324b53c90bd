#!/usr/bin/env bash
# Who hears a message meant for one copy. Host A runs the desktop program;
# B is the addressee, a peer that speaks only the classic way (every message
# by broadcast); C only listens on the port; D runs the command-line
# companion, which sends B a text; E announces an address off the segment.
# A and D hand LOGIN_OK, MESSAGE, OPEN_CHECK, HUZAI_MESSAGE and
# MESSAGE_EXCLAMATION to B alone: B receives each exactly once, C none. E is
# still answered, by broadcast. With broadcast only chosen (DirectSend=0)
# C hears A's answers to B again, and D's text when the companion is told
# --broadcast.
set -euo pipefail
zephinet=$1
cli=$2
testpeer=$3
here=$(dirname "$0")
. "$here/netns.sh"

net_up A B C D E
a_ip=$(host_ip A); b_ip=$(host_ip B)
ghost_ip=10.99.0.5
dir=$NET_TMP/a
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
export XDG_RUNTIME_DIR=$NET_TMP/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

# Each peer reads its commands from a pipe held open here: 3 B, 4 C, 5 E.
for f in b c e; do mkfifo "$NET_TMP/$f.in"; done
exec 3<> "$NET_TMP/b.in" 4<> "$NET_TMP/c.in" 5<> "$NET_TMP/e.in"
spawn B "$testpeer" --handle bob < "$NET_TMP/b.in" > "$NET_TMP/b.out" 2> "$NET_TMP/b.err"
spawn C "$testpeer" --handle carol < "$NET_TMP/c.in" > "$NET_TMP/c.out" 2> "$NET_TMP/c.err"
spawn E "$testpeer" --handle ghost --address "$ghost_ip" < "$NET_TMP/e.in" > "$NET_TMP/e.out" 2> "$NET_TMP/e.err"
for f in b c e; do
    wait_for_line "$NET_TMP/$f.out" $'\tready\t' 10 || fail "peer $f did not start"
done

on_fail() {
    echo "--- A said:"; tail -n 20 "$dir/out.log"
    for f in b c e; do echo "--- $f heard:"; grep $'\tmessage\t' "$NET_TMP/$f.out" | tail -n 20; done
}

start_a() { # settings lines...
    { printf '[LocalSetting]\r\n'; printf '%s\r\n' HandleName=alice RecvAutoOpen=1 "$@"; } > "$dir/Zephinet.INI"
    QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 spawn A "$dir/zephinet" >> "$dir/out.log" 2>&1
    a_pid=$!
    local before i
    before=$(grep -c $'\tmessage\t'"$a_ip"$'\tLOGIN\t' "$NET_TMP/c.out" || true)
    for ((i = 0; i < 150; i++)); do
        [ "$(grep -c $'\tmessage\t'"$a_ip"$'\tLOGIN\t' "$NET_TMP/c.out" || true)" -gt "$before" ] && return 0
        sleep 0.1
    done
    fail "A did not log in"
}

# A message of two datagrams whose second never comes, as often as A keeps
# slots for one sender, and once more: A gives the first up and warns B.
long=$(printf 'x%.0s' $(seq 600))
exclaim() {
    for _ in 1 2 3 4 5; do echo "message $a_ip 2 $long" >&3; done
}

# Lines of a peer's report from line $2 on: messages from A of kind $3 with field 1 $4.
count() { tail -n +"$2" "$NET_TMP/$1.out" | awk -F'\t' -v a="$a_ip" -v k="$3" -v t="$4" \
    '$2 == "message" && $3 == a && $4 == k && $5 == t { n++ } END { print n + 0 }'; }

# Waits until B's report from line $b_from on holds a message of kind $1 from A to B.
wait_b() {
    local i
    for ((i = 0; i < 150; i++)); do
        [ "$(count b "$b_from" "$1" "$b_ip")" -gt 0 ] && return 0
        sleep 0.1
    done
    return 1
}

# Every addressed kind from A to B once, as B asks for them.
exchange() {
    echo login >&3
    wait_b LOGIN_OK || fail "A did not answer B's LOGIN"
    echo "message $a_ip - hello from bob" >&3
    wait_b OPEN_CHECK || fail "A did not confirm reading"
    echo "huzaicheck $a_ip" >&3
    wait_b HUZAI_MESSAGE || fail "A did not answer HUZAI_CHECK"
    exclaim
    wait_b MESSAGE_EXCLAMATION || fail "A did not warn B of its lost message"
    sleep 1
}

# --- Direct (the default) -------------------------------------------------
start_a
b_from=$(($(wc -l < "$NET_TMP/b.out") + 1)); c_from=$(($(wc -l < "$NET_TMP/c.out") + 1))
# D's companion looks for bob while B logs in, then sends him a text.
on D "$cli" send --seconds 8 --text "hello from dave" bob > "$NET_TMP/d.out" 2>&1 &
d_pid=$!
sleep 1
exchange
wait "$d_pid" || fail "the companion could not send to bob: $(cat "$NET_TMP/d.out")"
d_ip=$(host_ip D)
wait_for_line "$NET_TMP/b.out" $'\tmessage\t'"$d_ip"$'\tMESSAGE\t'"$b_ip"$'\t.*hello from dave' 5 ||
    fail "B never got D's text"
for kind in LOGIN_OK OPEN_CHECK HUZAI_MESSAGE MESSAGE_EXCLAMATION; do
    [ "$(count b "$b_from" "$kind" "$b_ip")" -eq 1 ] || fail "B got $(count b "$b_from" "$kind" "$b_ip") $kind from A"
    [ "$(count c "$c_from" "$kind" "$b_ip")" -eq 0 ] || fail "C heard A's $kind meant for B"
done
[ "$(grep -c $'\tmessage\t'"$d_ip"$'\tMESSAGE\t'"$b_ip" "$NET_TMP/b.out")" -eq 1 ] || fail "B got D's text more than once"
if grep -q $'\tmessage\t[^\t]*\t\\(MESSAGE\\|LOGIN_OK\\|OPEN_CHECK\\|HUZAI_MESSAGE\\|MESSAGE_EXCLAMATION\\)\t'"$b_ip" \
    <(tail -n +"$c_from" "$NET_TMP/c.out"); then
    fail "C heard a message meant for B"
fi
# C still hears what is for everyone: B's LOGIN and A's LOGIN.
grep -q $'\tmessage\t'"$b_ip"$'\tLOGIN\t' "$NET_TMP/c.out" || fail "C did not hear B's LOGIN"
# The classic peer's text reached A's unread queue (it was read: OPEN_CHECK above).
echo "ok: B received each addressed kind once from A and D's text once; C none of them"

# An address off every segment of A's: sought by broadcast, heard by C too.
echo login >&5
wait_for_line "$NET_TMP/e.out" $'\tmessage\t'"$a_ip"$'\tLOGIN_OK\t'"$ghost_ip" 10 || fail "A did not reach $ghost_ip"
wait_for_line "$NET_TMP/c.out" $'\tmessage\t'"$a_ip"$'\tLOGIN_OK\t'"$ghost_ip" 5 || fail "A's answer to $ghost_ip was no broadcast"
echo "ok: an addressee announced off the segment is answered by broadcast"

# --- Broadcast only ---------------------------------------------------------
kill -TERM "$a_pid"
wait_for_line "$NET_TMP/c.out" $'\tmessage\t'"$a_ip"$'\tLOGOUT\t' 10 || fail "A did not log out"
wait "$a_pid" 2> /dev/null || true
b_from=$(($(wc -l < "$NET_TMP/b.out") + 1)); c_from=$(($(wc -l < "$NET_TMP/c.out") + 1))
start_a DirectSend=0
on D "$cli" send --broadcast --seconds 8 --text "hello again from dave" bob > "$NET_TMP/d.out" 2>&1 &
d_pid=$!
sleep 1
exchange
wait "$d_pid" || fail "the companion could not send to bob by broadcast: $(cat "$NET_TMP/d.out")"
wait_for_line "$NET_TMP/c.out" $'\tmessage\t'"$d_ip"$'\tMESSAGE\t'"$b_ip"$'\t.*hello again from dave' 5 ||
    fail "C did not hear D's text to B with --broadcast"
[ "$(grep -c $'\tmessage\t'"$d_ip"$'\tMESSAGE\t'"$b_ip"$'\t.*hello again' "$NET_TMP/b.out")" -eq 1 ] ||
    fail "B did not get D's broadcast text exactly once"
for kind in LOGIN_OK OPEN_CHECK HUZAI_MESSAGE MESSAGE_EXCLAMATION; do
    [ "$(count b "$b_from" "$kind" "$b_ip")" -eq 1 ] || fail "B got $(count b "$b_from" "$kind" "$b_ip") $kind from A"
    [ "$(count c "$c_from" "$kind" "$b_ip")" -eq 1 ] || fail "C did not hear A's $kind to B with broadcast only"
done
echo "ok: with broadcast only, C hears A's answers and D's text to B again"
echo "3 passed, 0 failed"
