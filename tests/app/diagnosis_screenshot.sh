#!/usr/bin/env bash
# Makes docs/diagnosis.png: the connection checks' window of host A on a
# segment without a router, where B and C run the program.
#   diagnosis_screenshot.sh BUILD DIRECTORY     (as root)
set -euo pipefail
build=$1
out=$(realpath "$2")
. "$(dirname "$0")/../e2e/netns.sh"

NET_NO_DEFAULT_ROUTE=1 net_up A B C
for host in B:bob C:carol; do
    h=${host%%:*}
    mkdir -p "$NET_TMP/$h"
    cp "$build/src/app/zephinet" "$NET_TMP/$h/zephinet"
    printf '[LocalSetting]\r\nHandleName=%s\r\n' "${host#*:}" > "$NET_TMP/$h/Zephinet.INI"
    QT_QPA_PLATFORM=offscreen spawn "$h" "$NET_TMP/$h/zephinet" > /dev/null 2>&1
done
sleep 2
QT_QPA_PLATFORM=offscreen on A "$build/tests/app/diagnosis_screenshot" "$out"
echo "written: $out/diagnosis.png"
