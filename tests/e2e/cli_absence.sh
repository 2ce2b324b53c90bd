#!/usr/bin/env bash
# Host A runs the desktop program, present, with an absence message stored;
# host B a peer that is absent with a two-line absence message (absentpeer,
# the program's own core: nothing in the settings starts a copy absent);
# host C the command-line companion. "absence" to B exits 0 and prints B's
# message; to A, present, it exits 6; to an unknown user 4.
set -euo pipefail
zephinet=$1
cli=$2
absentpeer=$3
[ "$(id -u)" -eq 0 ] || { echo "needs root for network namespaces: skipped"; exit 77; }
. "$(dirname "$0")/netns.sh"

net_up A B C
a_name=$(host_name A)
b_name=$(host_name B)
dir="$NET_TMP/A"
mkdir -p "$dir"
cp "$zephinet" "$dir/zephinet"
printf '[LocalSetting]\r\nHandleName=alice\r\nHuzaiMessage=stored but present\r\n' > "$dir/Zephinet.INI"
QT_QPA_PLATFORM=offscreen spawn A "$dir/zephinet" > "$dir/out.log" 2>&1
spawn B "$absentpeer" bob '会議中\n15時に戻ります' > "$NET_TMP/b.log" 2>&1
wait_for_line "$NET_TMP/b.log" absent 10 || fail "the absent peer did not start"

for ((i = 0; i < 50; i++)); do
    on C "$cli" who --seconds 1 2> /dev/null > "$NET_TMP/who.out" || true
    grep -q alice "$NET_TMP/who.out" && grep -q "bob .*absent" "$NET_TMP/who.out" && break
done
cat "$NET_TMP/who.out"

status=0
on C "$cli" absence bob > "$NET_TMP/abs1.out" 2> "$NET_TMP/abs1.err" || status=$?
cat "$NET_TMP/abs1.out" "$NET_TMP/abs1.err"
[ "$status" -eq 0 ] || fail "absence to bob exited with $status"
grep -qx "absent: bob ($b_name): 会議中\\\\n15時に戻ります" "$NET_TMP/abs1.out" || fail "no absence line for bob"
echo "ok: absence to an absent user exits 0 with the message"

status=0
on C "$cli" absence --json "$a_name" > "$NET_TMP/abs2.out" 2> "$NET_TMP/abs2.err" || status=$?
cat "$NET_TMP/abs2.out" "$NET_TMP/abs2.err"
[ "$status" -eq 6 ] || fail "absence to present alice exited with $status"
grep -qx "{\"handleName\":\"alice\",\"machineName\":\"$a_name\",\"outcome\":\"no-message\",\"user\":\"$a_name\"}" \
    "$NET_TMP/abs2.out" || fail "no no-message object for alice"
echo "ok: absence to a present user exits 6"

status=0
on C "$cli" absence --seconds 2 nobody bob > "$NET_TMP/abs3.out" 2> "$NET_TMP/abs3.err" || status=$?
cat "$NET_TMP/abs3.out" "$NET_TMP/abs3.err"
[ "$status" -eq 4 ] || fail "absence to an unknown user exited with $status"
grep -qx "not-online: nobody" "$NET_TMP/abs3.out" || fail "no not-online line"
grep -q "^absent: bob " "$NET_TMP/abs3.out" || fail "bob was not asked beside the unknown user"
echo "ok: absence to an unknown user exits 4, the other is still asked"
echo "1 passed, 0 failed"
