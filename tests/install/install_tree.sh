#!/usr/bin/env bash
# Installs the build into a DESTDIR, stripped as a distribution installs it,
# and checks what is there: install_tree.sh BUILD SOURCE EXPECTED-LIST
# (the list with this build's directories filled in).
set -euo pipefail
build=$1 source=$2 list=$3
. "$(dirname "$0")/installed.sh"
for tool in strings desktop-file-validate appstreamcli; do
    command -v "$tool" > /dev/null || { echo "$tool is not installed: skipped"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
DESTDIR=$tmp/root cmake --install "$build" --strip > "$tmp/install.log" || {
    cat "$tmp/install.log"; fail "cmake --install failed"; }
check_files "$tmp/root" "$list"
bindir=$(bindir_of "$list")
programs=("$tmp/root/$bindir/zephinet" "$tmp/root/$bindir/zephinet-cli" "$tmp/root/$(grep 'zephinet-sound' "$list")")
check_no_paths "$build" "${programs[@]}"
check_no_paths "$source" "${programs[@]}"
check_installed "$tmp/root" "$bindir" "$(sed -n 's|^\(.*\)/applications/.*|\1|p' "$list")"
