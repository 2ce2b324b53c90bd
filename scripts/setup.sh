#!/usr/bin/env bash
# Installs what building, running and testing Zephinet need on Debian 12,
# then configures and builds. Usage: scripts/setup.sh <build-dir> [cmake options...]
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev libxkbcommon-dev
    libxcb1-dev libxcb-keysyms1-dev
    fonts-noto-cjk
    # standard buttons and dialogs of Qt itself in Japanese
    qt6-translations-l10n
    # multi-host tests and screenshots: namespaces, a virtual X server, a key presser
    iproute2 util-linux procps xvfb xdotool x11-utils
    # a system tray host on the virtual display for the tray icon test, and a
    # window manager there for the desktop tests (minimising, focus on click)
    trayer openbox
    # a private session bus for the tests of one copy per settings file, the
    # portal hot keys, the StatusNotifierItem panel and the notifications
    dbus-daemon dbus-bin
    # Wayland: Qt's platform plugin, a headless compositor for the tests, and
    # the desktop portal front end for the hot keys
    qt6-wayland weston xdg-desktop-portal
    # a StatusNotifierItem panel with its own watcher
    haskell-gtk-sni-tray-utils
    # a notification server for the notification test
    dunst
    # the micro-benchmarks (bench/core)
    libbenchmark-dev
    # the layout check of the C++ files (tests/format.sh)
    clang-format-14
    # the manual pages, and the checks of what an install holds (the desktop
    # entry's and the AppStream validators, binutils' strings)
    scdoc desktop-file-utils appstream binutils
    # the installed completion at work (tests/install/installed_desktop.sh)
    bash-completion
    # the firewall rules that the connection checks read, and (with python3
    # below) a plain UDP socket on the port (tests/e2e/doctor.sh)
    nftables iptables
    # the English catalogue (lupdate, lrelease, CMake's LinguistTools) and
    # its check (tests/translations.py)
    qt6-l10n-tools qt6-tools-dev qt6-tools-dev-tools python3
    # the accessibility tests: the AT-SPI registry and a client to read it
    at-spi2-core python3-pyatspi
)

"$(dirname "$0")/install-packages.sh" "${packages[@]}"

build_dir=${1:-build}
shift || true
here=$(cd "$(dirname "$0")/.." && pwd)
# A compiler cache, where the machine has one, shared by every clone: paths
# below the source tree are made relative, so that another clone hits it.
launcher=()
if command -v ccache > /dev/null; then
    # -g makes ccache hash the working directory unless told not to.
    export CCACHE_BASEDIR=$here CCACHE_NOHASHDIR=true
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
cmake --build "$build_dir" -j"$(nproc)"
