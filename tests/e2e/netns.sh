# Test hosts in network namespaces, for the multi-host tests. Source it.
#   net_up A B C      one namespace per host, joined by a bridge, 10.77.0.1, .2, ...
#                     (NET_NO_DEFAULT_ROUTE=1: the on-link route alone, as on
#                     segments without a router; 255.255.255.255 is then refused)
#   net_segment2 A D  a second segment, 10.88.0.1, .2, ... on a bridge of its own
#   on A cmd...       runs cmd on host A, under its own host name "host-a"
#   host_ip A         the host's address
# Everything is torn down on exit, whatever happens. Where namespaces cannot
# be made (not root, or no support for them), the test is skipped: exit 77.

NET_ID="zn$$"
NET_HOSTS=()
NET_SEGMENT2=()
NET_PIDS=()
NET_TMP=$(mktemp -d)

net_down() {
    local pid h
    for pid in "${NET_PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
    sleep 0.2
    for pid in "${NET_PIDS[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    for h in "${NET_HOSTS[@]}"; do
        # Anything still running in the namespace goes with it.
        for pid in $(ip netns pids "$NET_ID-$h" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
        ip netns del "$NET_ID-$h" 2>/dev/null || true
    done
    for pid in $(ip netns pids "$NET_ID-br" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
    ip netns del "$NET_ID-br" 2>/dev/null || true
    rm -rf "$NET_TMP"
}
trap net_down EXIT

net_up() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "network namespaces need root: skipped"
        exit 77
    fi
    local why
    if ! why=$(ip netns add "$NET_ID-br" 2>&1); then
        echo "cannot create network namespaces (${why:-ip netns add failed}): skipped"
        exit 77
    fi
    ip -n "$NET_ID-br" link add br0 type bridge
    ip -n "$NET_ID-br" link set br0 up
    local n=0 h
    for h in "$@"; do
        n=$((n + 1))
        NET_HOSTS+=("$h")
        ip netns add "$NET_ID-$h"
        ip link add "v$NET_ID$h" netns "$NET_ID-br" type veth peer name eth0 netns "$NET_ID-$h"
        ip -n "$NET_ID-br" link set "v$NET_ID$h" master br0 up
        ip -n "$NET_ID-$h" link set lo up
        ip -n "$NET_ID-$h" addr add "10.77.0.$n/24" brd 10.77.0.255 dev eth0
        ip -n "$NET_ID-$h" link set eth0 up
        # A default route makes 255.255.255.255 routable.
        [ "${NET_NO_DEFAULT_ROUTE:-0}" = 1 ] || ip -n "$NET_ID-$h" route add default dev eth0
    done
}

# net_segment2 HOST... : a second segment, 10.88.0.0/24 on a bridge of its
# own, with no default route: each host gets eth1 there, 10.88.0.1, .2, ...
# in the order given. A host that net_up did not make is made here, with
# this interface alone.
net_segment2() {
    ip -n "$NET_ID-br" link add br1 type bridge
    ip -n "$NET_ID-br" link set br1 up
    local n=0 h
    for h in "$@"; do
        n=$((n + 1))
        NET_SEGMENT2+=("$h")
        if [ ! -e "/run/netns/$NET_ID-$h" ]; then
            NET_HOSTS+=("$h")
            ip netns add "$NET_ID-$h"
            ip -n "$NET_ID-$h" link set lo up
        fi
        ip link add "w$NET_ID$h" netns "$NET_ID-br" type veth peer name eth1 netns "$NET_ID-$h"
        ip -n "$NET_ID-br" link set "w$NET_ID$h" master br1 up
        ip -n "$NET_ID-$h" addr add "10.88.0.$n/24" brd 10.88.0.255 dev eth1
        ip -n "$NET_ID-$h" link set eth1 up
    done
}

host_ip2() {
    local i
    for i in "${!NET_SEGMENT2[@]}"; do
        [ "${NET_SEGMENT2[$i]}" = "$1" ] && { echo "10.88.0.$((i + 1))"; return; }
    done
    return 1
}

host_ip() {
    local i
    for i in "${!NET_HOSTS[@]}"; do
        [ "${NET_HOSTS[$i]}" = "$1" ] && { echo "10.77.0.$((i + 1))"; return; }
    done
    return 1
}

host_name() { echo "host-$(echo "$1" | tr 'A-Z' 'a-z')"; }

# on HOST command... : runs in the host's namespace with its own host name.
on() {
    local h=$1
    shift
    ip netns exec "$NET_ID-$h" unshare --uts bash -c 'hostname "$0" && exec "$@"' "$(host_name "$h")" "$@"
}

# spawn HOST command... : like "on", in the background; $! is the command's
# own process, so that signals sent to it reach the program itself. The
# command keeps the caller's standard input (a background command would
# otherwise read /dev/null).
spawn() {
    local h=$1
    shift
    (exec ip netns exec "$NET_ID-$h" unshare --uts bash -c 'hostname "$0" && exec "$@"' "$(host_name "$h")" "$@") <&0 &
    NET_PIDS+=($!)
}

# Waits until a file holds a line matching a pattern, at most $3 seconds.
wait_for_line() {
    local file=$1 pattern=$2 limit=${3:-10} i
    for ((i = 0; i < limit * 10; i++)); do
        grep -q -- "$pattern" "$file" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# The datagram as captured, in hex, of a one-piece message text.
datagram_hex() {
    local message=$1
    printf '\x01%5d%s\x00' "$(printf '%s' "$message" | wc -c)" "$message" | od -An -v -tx1 | tr -d ' \n'
}

# A test may define on_fail to show what it knows before it ends.
fail() {
    echo "FAIL: $*" >&2
    if declare -F on_fail > /dev/null; then on_fail >&2 || true; fi
    exit 1
}
