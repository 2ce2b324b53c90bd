#!/usr/bin/env bash
# Builds the Debian package with scripts/package.sh (which fails on any lintian
# error or warning) and checks it: the files it holds, its dependency on the
# Japanese fonts, and, unpacked into a root of its own, the same checks as an
# install (no build path in the programs, the companion runs, the desktop
# files validate). It rebuilds everything, so CI runs it once (.ci/run).
# Usage: package_check.sh [OUTDIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
. "$here/tests/install/installed.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
out=${1:-$tmp/out}

start=$SECONDS
"$here/scripts/package.sh" "$out"
echo "packaging took $((SECONDS - start)) s"
version=$(sed -n 's/^project(Zephinet VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
deb=$out/zephinet_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb"

# The install's files at Debian's places, the manual pages compressed, and
# what every package holds beside them.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
{
    expected_files "$here/tests/install/expected-files.in" /usr /usr/bin "/usr/lib/$multiarch/zephinet" /etc \
        /usr/share /usr/share/man | sed 's|^\(usr/share/man/.*\.1\)$|\1.gz|'
    printf '%s\n' usr/share/doc/zephinet/changelog.gz usr/share/doc/zephinet/copyright
} | sort > "$tmp/expected"
dpkg-deb -c "$deb"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | sort > "$tmp/listed"
diff -u --label expected --label package "$tmp/expected" "$tmp/listed" || fail "the package holds other files"
echo "ok: the package holds exactly the $(wc -l < "$tmp/expected") expected files"
dpkg-deb -f "$deb" Depends | grep -q 'fonts-noto-cjk' || fail "the package does not depend on the Japanese fonts"
echo "ok: it depends on the Japanese fonts"

dpkg -x "$deb" "$tmp/root"
check_files "$tmp/root" "$tmp/expected"
check_no_paths "$here" "$tmp/root/usr/bin/zephinet" "$tmp/root/usr/bin/zephinet-cli" \
    "$tmp/root/usr/lib/$multiarch/zephinet/zephinet-sound.so"
check_no_paths "zephinet-package" "$tmp/root/usr/bin/zephinet" "$tmp/root/usr/bin/zephinet-cli" \
    "$tmp/root/usr/lib/$multiarch/zephinet/zephinet-sound.so"
check_installed "$tmp/root" usr/bin usr/share
