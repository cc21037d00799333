#!/usr/bin/env bash
# Builds the Debian packages from an already built tree, checks what they
# hold and what they depend on, runs lintian on them, and starts the programs
# from an unpacked root, where they must find the installed agent.
# usage: check-debs.sh BUILD_DIR AGENT_DIR   (AGENT_DIR relative to /usr)
set -euo pipefail
# A grep at the end of a pipe reads all of its input (>/dev/null, never -q): one
# that stopped at its first match would end the writer by SIGPIPE and, under
# pipefail, fail the pipe, as ldd did now and then.
build=$1
agent=/usr/$2/libhdagent.so
x11=/usr/$2/libhdagent-x11.so
wayland=/usr/$2/libhdagent-wayland.so
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
desktop=$(echo "$work"/out/handrel_*.deb)
device=$(echo "$work"/out/handrel-device_*.deb)
devx11=$(echo "$work"/out/handrel-device-x11_*.deb)
devwl=$(echo "$work"/out/handrel-device-wayland_*.deb)
[ -f "$desktop" ] && [ -f "$device" ] && [ -f "$devx11" ] && [ -f "$devwl" ] ||
    { ls "$work/out"; fail "expected handrel_*.deb, handrel-device_*.deb, handrel-device-x11_*.deb and handrel-device-wayland_*.deb"; }

files() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\.||'; }
holds() {
    local deb=$1 list
    shift
    list=$(files "$deb")
    for path in "$@"; do
        grep -qxF "$path" <<<"$list" || fail "$(basename "$deb") lacks $path"
    done
}
lacks() {
    local deb=$1 pattern=$2
    if files "$deb" | grep -E "$pattern" >/dev/null; then fail "$(basename "$deb") holds $pattern"; fi
}
holds "$desktop" /usr/bin/handrel /usr/bin/handrel-cli \
    /usr/share/handrel/skins/Plain/skin.ini /usr/share/handrel/skins/Plain/skin.png \
    /usr/share/handrel/skins/Slate/skin.png \
    /usr/share/doc/handrel/copyright /usr/share/doc/handrel/changelog.gz \
    /usr/share/applications/org.handrel.Handrel.desktop \
    /usr/share/metainfo/org.handrel.Handrel.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/org.handrel.Handrel.svg \
    /usr/share/icons/hicolor/16x16/apps/org.handrel.Handrel.png \
    /usr/share/icons/hicolor/256x256/apps/org.handrel.Handrel.png \
    /usr/share/man/man1/handrel.1.gz /usr/share/man/man1/handrel-cli.1.gz \
    /usr/share/bash-completion/completions/handrel-cli
holds "$devx11" "$x11"
holds "$devwl" "$wayland" /usr/share/doc/handrel-device-wayland/copyright
lacks "$devwl" 'libhdagent-x11|libhdagent\.so|bin/'
holds "$device" /usr/bin/hdlisten "$agent" \
    /usr/share/doc/handrel-device/copyright /usr/share/doc/handrel-device/changelog.gz \
    /usr/share/man/man1/hdlisten.1.gz /usr/lib/systemd/system/hdlisten.service /etc/default/hdlisten
lacks "$desktop" 'hdlisten|libhdagent'
lacks "$device" 'bin/handrel|skins/'
lacks "$device" 'fake_agent|tests_|libhdagent-x11|libhdagent-wayland'

# Dependencies come from the libraries the programs link.
dpkg-deb -f "$desktop" Depends | grep 'libqt6gui6' >/dev/null || fail "handrel does not depend on Qt: $(dpkg-deb -f "$desktop" Depends)"
dpkg-deb -f "$device" Depends | grep 'libc6' >/dev/null || fail "handrel-device does not depend on libc6"
dpkg-deb -f "$device" Depends | grep -E 'libqt6|libx11' >/dev/null && fail "handrel-device depends on Qt or X: $(dpkg-deb -f "$device" Depends)"
dpkg-deb -f "$devx11" Depends | grep 'libx11-6' >/dev/null || fail "handrel-device-x11 does not depend on libx11-6"
dpkg-deb -f "$devwl" Depends | grep 'libwayland-client0' >/dev/null || fail "handrel-device-wayland does not depend on libwayland-client0"
dpkg-deb -f "$devwl" Depends | grep 'libxkbcommon0' >/dev/null || fail "handrel-device-wayland does not depend on libxkbcommon0"
dpkg-deb -f "$devwl" Depends | grep 'handrel-device (=' >/dev/null || fail "handrel-device-wayland does not depend on handrel-device"

dpkg-deb -e "$device" "$work/control"
grep -qx /etc/default/hdlisten "$work/control/conffiles" || fail "/etc/default/hdlisten is no conffile"

echo "lintian:"
lintian --fail-on error "$desktop" "$device" "$devx11" "$devwl" || fail "lintian found errors"

root=$work/root
dpkg-deb -x "$desktop" "$root"
dpkg-deb -x "$device" "$root"
dpkg-deb -x "$devx11" "$root"
dpkg-deb -x "$devwl" "$root"
unset LD_LIBRARY_PATH

share=$root/usr/share
appstreamcli validate --no-net "$share/metainfo/org.handrel.Handrel.metainfo.xml" || fail "appstreamcli validate"
desktop-file-validate "$share/applications/org.handrel.Handrel.desktop" || fail "desktop-file-validate"
[ "$(gzip -dc "$share/man/man1/handrel-cli.1.gz" | head -c 3)" = '.\"' ] || fail "handrel-cli.1 is no troff page"
unit=$root/usr/lib/systemd/system/hdlisten.service
grep -qx 'ExecStart=/usr/bin/hdlisten --root %S/hdlisten $HDLISTEN_ARGS' "$unit" || fail "unit: $(grep ExecStart "$unit")"
grep -qx 'EnvironmentFile=-/etc/default/hdlisten' "$unit" || fail "unit: $(grep EnvironmentFile "$unit")"
grep -q '^HDLISTEN_ARGS=' "$root/etc/default/hdlisten" || fail "no HDLISTEN_ARGS in /etc/default/hdlisten"
# The completion offers the commands, then the choices of an option.
complete() {
    bash -c 'source /usr/share/bash-completion/bash_completion 2>/dev/null || exit 3
        source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; _handrel_cli; echo "${COMPREPLY[*]}"' _ \
        "$share/bash-completion/completions/handrel-cli" "$@"
}
[ "$(complete handrel-cli --host h scr)" = screenshot ] || fail "completion of a command: '$(complete handrel-cli --host h scr)'"
[ "$(complete handrel-cli --device '')" = "virtual linux" ] || fail "completion of --device"
[ "$(complete handrel-cli clip '')" = "get set" ] || fail "completion of clip"
"$root/usr/bin/hdlisten" --help | grep '^usage: hdlisten' >/dev/null || fail "hdlisten --help"
"$root/usr/bin/handrel-cli" --help | grep '^usage: handrel-cli' >/dev/null || fail "handrel-cli --help"
# The local link loads the agent from the installed folder, not the build tree.
XDG_STATE_HOME=$work "$root/usr/bin/handrel-cli" --settings "$work/settings.conf" --local \
    --root "$work/device" screenshot "$work/shot.png" || fail "handrel-cli screenshot through the installed agent"
[ "$(head -c 4 "$work/shot.png" | tail -c 3)" = PNG ] || fail "the screenshot is no PNG"

# The agent needs no X or Wayland library; those backends are modules beside it.
ldd "$root$agent" | grep -iE 'libX|libwayland' && fail "libhdagent links X or Wayland libraries"
ldd "$root$wayland" | grep 'libwayland-client\.so' >/dev/null || fail "the Wayland module does not link libwayland-client"
rm "$root$wayland"
status=0
"$root/usr/bin/hdlisten" --device wayland --root "$work/device" --port 1 >"$work/wl.out" 2>&1 || status=$?
[ "$status" = 1 ] || fail "hdlisten --device wayland without the module: exit $status"
grep -qx "hdlisten: the Wayland backend is not installed: $root$wayland is missing" "$work/wl.out" ||
    fail "hdlisten --device wayland without the module said: $(cat "$work/wl.out")"
ldd "$root$x11" | grep 'libX11\.so' >/dev/null || fail "the X11 module does not link libX11"
rm "$root$x11"
status=0
"$root/usr/bin/hdlisten" --device x11 --root "$work/device" --port 1 >"$work/x11.out" 2>&1 || status=$?
[ "$status" = 1 ] || fail "hdlisten --device x11 without the module: exit $status"
grep -qx "hdlisten: the X11 backend is not installed: $root$x11 is missing" "$work/x11.out" ||
    fail "hdlisten --device x11 without the module said: $(cat "$work/x11.out")"
echo "packages: $(basename "$desktop") $(basename "$device") $(basename "$devx11") $(basename "$devwl") pass"
