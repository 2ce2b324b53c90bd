#!/usr/bin/env bash
# The folders of src/ stand in the layers that the README's "Layout of the
# source" lists, lowest first: a file includes its own folder and folders on
# lower lines only; and no file of SRC is over 750 lines.
#   layers.sh README SRC
set -euo pipefail
readme=$1
src=$2

# "1. `src/common`: ..." and "5. `src/net` and `src/log`: ..." -> "common 1", "net 5", "log 5"
ranks=$(awk '
    /^## / { inside = ($0 == "## Layout of the source") }
    inside && /^[0-9]+\. / {
        rank = $1 + 0
        line = $0
        sub(/:.*/, "", line)
        while (match(line, /`src\/[a-z]+`/)) {
            print substr(line, RSTART + 5, RLENGTH - 6), rank
            line = substr(line, RSTART + RLENGTH)
        }
    }' "$readme")
[ -n "$ranks" ] || { echo "the README lists no layers"; exit 1; }

status=0
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    grep -q "^$folder " <<< "$ranks" || { echo "src/$folder stands in no layer of the README"; status=1; }
done

# Every include of a project folder, as "file folder included".
includes=$(cd "$src" && grep -HoE '^#include "[a-z]+/' */*.cpp */*.h | sed -E 's/:#include "/ /; s/\/$//')
bad=$(awk 'NR == FNR { rank[$1] = $2; next }
    {
        split($1, path, "/")
        from = path[1]; to = $2
        if (from == to) next
        if (!(to in rank)) { print $1 " includes " to "/, which is no layer"; next }
        if (rank[to] >= rank[from])
            print $1 " includes " to "/ (layer " rank[to] "), not below its own layer " rank[from]
    }' <(echo "$ranks") <(echo "$includes"))
if [ -n "$bad" ]; then
    echo "$bad"
    status=1
fi

long=$(cd "$src" && wc -l */*.cpp */*.h | awk '$2 != "total" && $1 > 750 { print $2 " has " $1 " lines" }')
if [ -n "$long" ]; then
    echo "$long (at most 750)"
    status=1
fi

exit $status
