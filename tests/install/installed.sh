# What an installed copy must hold and do, for the install test and the
# package check. Source it; it defines
#   expected_files LIST PREFIX BINDIR PLUGINDIR SYSCONFDIR DATADIR MANDIR
#                          the list of files, without the leading /
#   check_files ROOT LIST  the files under ROOT are exactly those of LIST
#   check_no_paths DIR FILE...  neither the byte nor the UTF-16 strings of the
#                          files name DIR (a build or source directory)
#   check_installed ROOT BINDIR DATADIR
#                          both programs answer --version and --help from
#                          there without a display, and the desktop entry
#                          and the AppStream metadata pass their validators
#   bindir_of LIST         the directory of the programs in LIST
#   fail MESSAGE           unless netns.sh gave one

# The namespace tests' own fail, when sourced after netns.sh, shows more.
declare -F fail > /dev/null || fail() {
    echo "FAIL: $*" >&2
    exit 1
}

bindir_of() {
    grep -v '/completions/' "$1" | sed -n 's|^\(.*\)/zephinet-cli$|\1|p'
}

expected_files() {
    local list=$1
    shift
    sed -e "s|@PREFIX@|$1|" -e "s|@BINDIR@|$2|" -e "s|@PLUGINDIR@|$3|" -e "s|@SYSCONFDIR@|$4|" \
        -e "s|@DATADIR@|$5|" -e "s|@MANDIR@|$6|" -e 's|^/||' "$list" | sort
}

check_files() {
    local root=$1 list=$2 listed
    listed=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
    diff -u --label expected --label installed "$list" - <<< "$listed" ||
        fail "the installed files are not the expected ones"
    echo "ok: exactly the $(wc -l < "$list") expected files"
}

check_no_paths() {
    local dir=$1 file
    shift
    for file; do
        if { strings -a "$file"; strings -a -el "$file"; } | grep -F -- "$dir"; then
            fail "$file names $dir"
        fi
    done
    echo "ok: the programs name no build or source directory"
}

check_installed() {
    local root=$1 bindir=$2 datadir=$3 out
    local program
    for program in zephinet zephinet-cli; do
        out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/$bindir/$program" --version) ||
            fail "the installed $program --version exited with $?"
        grep -q "^$program [0-9.]* ([0-9-]*)" <<< "$out" || fail "the installed $program printed no version: $out"
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/$bindir/$program" --help | grep -q -- '--version' ||
            fail "the installed $program --help does not list --version"
    done
    # An installed copy keeps its settings in the user's configuration, never beside the program.
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$root/home" XDG_CONFIG_HOME="$root/home/cfg" \
        "$root/$bindir/zephinet" --version)
    grep -qx "settings file: $root/home/cfg/Zephinet/Zephinet.INI" <<< "$out" ||
        fail "the installed zephinet names another settings file: $out"
    rm -rf "$root/home"
    echo "ok: the installed programs answer --version and --help without a display"
    desktop-file-validate "$root/$datadir/applications/invalid.zephinet.Zephinet.desktop" ||
        fail "the desktop entry does not validate"
    appstreamcli validate --no-net "$root/$datadir/metainfo/invalid.zephinet.Zephinet.metainfo.xml" ||
        fail "the AppStream metadata does not validate"
    echo "ok: the desktop entry and the AppStream metadata validate"
}
