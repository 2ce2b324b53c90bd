#!/usr/bin/env bash
# Builds the Debian package zephinet_<version>_<arch>.deb into OUTDIR and
# checks it with lintian (no error, no warning). Installs what is missing for
# that (apt-get). Usage: scripts/package.sh OUTDIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)

"$here/scripts/install-packages.sh" dpkg-dev debhelper fakeroot lintian
# The build dependencies, as debian/control names them.
mapfile -t needed < <(cd "$here" && dpkg-checkbuilddeps 2>&1 |
    sed -n 's/.*Unmet build dependencies: //p' | sed 's/([^)]*)//g' | tr ' ' '\n' | grep -v '^$' || true)
((${#needed[@]} == 0)) || "$here/scripts/install-packages.sh" "${needed[@]}"

# The package's version is the project's: CMake's project(VERSION) is the one
# place, and the changelog's newest entry must say what that version holds.
version=$(sed -n 's/^project(Zephinet VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
logged=$(cd "$here" && dpkg-parsechangelog -S Version)
if [ "$version" != "$logged" ]; then
    echo "$0: CMakeLists.txt says version $version, debian/changelog $logged: add a changelog entry" >&2
    exit 1
fi
arch=$(dpkg --print-architecture)
deb=zephinet_${version}_${arch}.deb

# Built in a copy of the sources (the files git knows, or everything but the
# build trees), so that no build directory of the checkout goes in. The copy
# has a fixed place, so that a compiler cache serves the next build too.
work=${TMPDIR:-/tmp}/zephinet-package-$(id -u)
exec 9> "$work.lock"
flock -n 9 || { echo "$0: another package build is running ($work)" >&2; exit 1; }
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
src=$work/zephinet-$version
mkdir -p "$src"
if git -C "$here" rev-parse --git-dir > /dev/null 2>&1; then
    # A file deleted but not yet committed is left out.
    (cd "$here" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do [ ! -e "$f" ] || printf '%s\0' "$f"; done |
        tar --null -T - -cf -) | tar -xf - -C "$src"
else
    tar -C "$here" --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$src"
fi
if command -v ccache > /dev/null; then
    export CCACHE_BASEDIR=$src CCACHE_NOHASHDIR=true ZEPHINET_CMAKE_OPTIONS=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
(cd "$src" && DEB_BUILD_OPTIONS="noddebs parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -b -us -uc)

lintian --fail-on error,warning "$work/$deb"
cp "$work/$deb" "$out/"
echo "$out/$deb"
