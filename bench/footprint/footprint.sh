#!/usr/bin/env bash
# What a copy costs while it sits in the tray, beside a minimal Qt Widgets
# program and another LAN messenger (iptux), side by side in one run: each
# on a host of its own (a network namespace with its own virtual display).
# Prints start-up, resident, proportional and private memory at one moment
# when all three have run 5 s or more (so that each shares its libraries
# with the same others), CPU time and context switches over the idle
# minute, memory after 1,000 peers and 256 unread messages (our copy), the
# median of the rounds and the ratios.
#
# The first GTK program on a display probes OpenGL (Mesa, LLVM) and leaves
# the answer on the display; later ones skip it. The rounds measure iptux as
# a desktop runs it, with the display warmed; the first start on a fresh
# display is measured once, beforehand, and printed apart.
# Needs root. Usage: footprint.sh BUILD_DIR [rounds=3] [idle_seconds=60]
set -euo pipefail
build=$(cd "$1" && pwd)
rounds=${2:-3}
idle=${3:-60}
here=$(cd "$(dirname "$0")" && pwd)
e2e=$here/../../tests/e2e
. "$e2e/netns.sh"
. "$e2e/desktop.sh"
need_desktop_tools
if ! command -v iptux > /dev/null; then
    echo "installing iptux for the comparison" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends iptux > /dev/null
fi
procwatch=$build/bench/footprint/procwatch
crowd=$build/bench/footprint/crowd
minimal=$build/bench/footprint/minimalqt

net_up A B C D
display_up A B C
mkdir -p "$NET_TMP/A" "$NET_TMP/C/home"
cp "$build/src/app/zephinet" "$NET_TMP/A/zephinet"

DISPLAY=${HOST_DISPLAY[C]} HOME=$NET_TMP/C/home spawn C "$procwatch" run --port 2425 --idle 1 --after 0 -- \
    iptux > "$NET_TMP/iptux-first.out" 2> /dev/null
first_watch=$!
wait_until 30 grep -q mem_loaded "$NET_TMP/iptux-first.out" || fail "iptux did not start"
wait "$first_watch"
first_iptux=$(awk '$1 == "mem_idle" { printf "RSS %.1f MiB, PSS %.1f MiB, USS %.1f MiB", $2 / 1024, $3 / 1024, $4 / 1024 }' \
    "$NET_TMP/iptux-first.out")

one_round() {
    local r=$1 h
    rm -f "$NET_TMP"/*.out "$NET_TMP/A/LOG.ZNG"
    write_settings "$NET_TMP/A" HandleName=bench LogSave=1 "LogFileName=$NET_TMP/A/LOG.ZNG"
    spawn D "$procwatch" first --port 50000 --from "$(host_ip A)" --seconds 30 > "$NET_TMP/first.out"
    wait_until 10 grep -q listening "$NET_TMP/first.out" || fail "no listener on D"
    # Memory is read 11 s after our start, when all three have run 5 s.
    DISPLAY=${HOST_DISPLAY[A]} QT_QPA_PLATFORM=xcb spawn A "$procwatch" run --port 50000 --settle 11 --idle "$idle" -- \
        "$NET_TMP/A/zephinet" > "$NET_TMP/ours.out" 2> "$NET_TMP/ours.err"
    # Started a little apart, so that no start-up waits for another's; their
    # idle minutes still overlap almost whole.
    sleep 3
    DISPLAY=${HOST_DISPLAY[B]} QT_QPA_PLATFORM=xcb spawn B "$procwatch" run --port 50000 --settle 8 --idle "$idle" -- \
        "$minimal" > "$NET_TMP/minimal.out" 2> "$NET_TMP/minimal.err"
    sleep 3
    DISPLAY=${HOST_DISPLAY[C]} HOME=$NET_TMP/C/home spawn C "$procwatch" run --port 2425 --settle 5 --idle "$idle" -- \
        iptux > "$NET_TMP/iptux.out" 2> "$NET_TMP/iptux.err"
    wait_until $((idle + 30)) grep -q loaded_begin "$NET_TMP/ours.out" || fail "our copy did not get through the idle minute"
    on D "$crowd" "$(host_ip A)" 1000 256 > /dev/null
    for h in ours minimal iptux; do
        wait_until 40 grep -q mem_loaded "$NET_TMP/$h.out" || fail "$h: no figures ($(cat "$NET_TMP/$h.err"))"
    done
    local login
    login=$(awk 'FNR == NR && $1 == "first_ns" { f = $2 } FNR != NR && $1 == "start_ns" { s = $2 }
                 END { if (f && s) printf "%.1f", (f - s) / 1e6; else print "-" }' "$NET_TMP/first.out" "$NET_TMP/ours.out")
    for h in ours minimal iptux; do
        awk -v p="$h" -v r="$r" -v login="$login" -v idle="$idle" '
            $1 == "bound_ms" { b = $2 } $1 == "mem_idle" { ri = $2; pi = $3; ui = $4 }
            $1 == "idle" { c = $2; v = $3 } $1 == "mem_loaded" { rl = $2; pl = $3; ul = $4 }
            END { printf "%s %s %s %s %.1f %.1f %.1f %.1f %.3f %.1f %.1f %.1f\n", r, p, (p == "ours" ? login : "-"), b,
                         ri / 1024, pi / 1024, ui / 1024, c, v / idle, rl / 1024, pl / 1024, ul / 1024 }' "$NET_TMP/$h.out"
    done >> "$NET_TMP/rounds.txt"
    awk -v r="$r" '$1 == r' "$NET_TMP/rounds.txt" >&2
}

: > "$NET_TMP/rounds.txt"
echo "round program login_ms bound_ms rss_MiB pss_MiB uss_MiB idle_cpu_ms wakeups/s loaded_rss_MiB loaded_pss_MiB loaded_uss_MiB" >&2
for ((r = 1; r <= rounds; r++)); do one_round "$r"; done

# Medians per program and column, then the table.
awk -v idle="$idle" -v rounds="$rounds" -v first="$first_iptux" '
    function median(p, c,    n, i, j, t, v) {
        n = 0
        for (i = 1; i <= rounds; i++) if ((p, i, c) in val && val[p, i, c] != "-") v[++n] = val[p, i, c] + 0
        if (!n) return "-"
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    { for (c = 3; c <= NF; c++) val[$2, $1, c] = $c }
    END {
        printf "\nmedian of %d rounds, %d s idle, under Xvfb in network namespaces\n\n", rounds, idle
        printf "| program | start-up | RSS | PSS | USS | CPU over idle | wake-ups | RSS loaded | PSS loaded | USS loaded |\n"
        printf "|---|---|---|---|---|---|---|---|---|---|\n"
        split("ours minimal iptux", names, " ")
        label["ours"] = "Zephinet (to LOGIN; to bound port)"; label["minimal"] = "minimal Qt 6 Widgets (to bound port)"
        label["iptux"] = "iptux (to bound port)"
        for (k = 1; k <= 3; k++) {
            p = names[k]
            start = p == "ours" ? sprintf("%s ms; %s ms", median(p, 3), median(p, 4)) : sprintf("%s ms", median(p, 4))
            loaded = p == "ours" ? sprintf("%.1f MiB | %.1f MiB | %.1f MiB", median(p, 10), median(p, 11), median(p, 12)) : "- | - | -"
            printf "| %s | %s | %.1f MiB | %.1f MiB | %.1f MiB | %.0f ms | %.2f/s | %s |\n", label[p], start,
                   median(p, 5), median(p, 6), median(p, 7), median(p, 8), median(p, 9), loaded
        }
        printf "\niptux as the first GTK program on a fresh display: %s\n", first
        printf "\nratios: start-up to LOGIN / iptux to bound port %.2f; RSS ours/iptux %.2f (loaded %.2f);",
               median("ours", 3) / median("iptux", 4), median("ours", 5) / median("iptux", 5), median("ours", 10) / median("iptux", 5)
        printf " PSS ours/minimal %.2f (loaded %.2f)\n", median("ours", 6) / median("minimal", 6), median("ours", 11) / median("minimal", 6)
    }' "$NET_TMP/rounds.txt"
