#!/usr/bin/env bash
# Runs the real Handrel window under Xvfb, connected to the built-in virtual
# handheld, and writes a PNG of it once the first frame is painted.
#   scripts/screenshot.sh [OUT.png] [--window NAME] [extra handrel options...]
#     --window NAME saves another window instead of the main window: explorer
#     the Explorer with a few files in the handheld's root, dos is
#     the Remote DOS Box after "dir 1:\", manager the Handrel Manager, skin
#     the skin window (SKIN=NAME picks the skin, DEVICE=0..3 the device type).
#   scripts/screenshot.sh --measure-latency 20   # times 20 key presses instead
# BUILD selects the build folder (default: build).
set -eu
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD:-build}"
case "$build" in /*) ;; *) build="$here/$build" ;; esac
out=""
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
    out="$1"
    shift
fi
window=()
name=handrel
if [ $# -gt 0 ] && [ "$1" = "--window" ]; then
    [ $# -gt 1 ] || { echo "screenshot: --window needs a name (explorer, dos, manager, skin)" >&2; exit 1; }
    window=(--screenshot-window "$2")
    name="handrel-$2"
    shift 2
fi
out="${out:-$build/screenshots/$name.png}"
prog="$build/bin/handrel"
[ -x "$prog" ] || { echo "screenshot: $prog is missing; run make build first" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "screenshot: xvfb-run is missing; run scripts/setup.sh" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/My Documents" "$work/root/Program Files" "$(dirname "$out")"
# A few files for the DOS box's listing.
printf 'Handrel on the handheld\n' > "$work/root/readme.txt"
printf 'notes\n' > "$work/root/My Documents/notes.txt"
# A store of its own: no first-start dialog, the default (built-in) connection.
printf '[General]\nVersion=2.17\n' > "$work/handrel.ini"
case "$name" in
    handrel-explorer)
        # A few files in the handheld's root for the list to show.
        mkdir -p "$work/root/Temp"
        printf 'Shopping: milk, bread\n' > "$work/root/notes.txt"
        head -c 24000 /dev/urandom > "$work/root/photo.jpg"
        head -c 3000 /dev/urandom > "$work/root/setup.exe"
        printf 'x' > "$work/root/My Documents/letter.doc"
        ;;
    # Skin mode at 100 %, the skin window placed where the screen shows it.
    handrel-skin) printf 'Id=16384\nScale=100\nSkinName=%s\nDevice=%s\nSkinX=40\nSkinY=40\n' \
                      "${SKIN:-}" "${DEVICE:-0}" >> "$work/handrel.ini" ;;
esac
if printf '%s\n' "$@" | grep -q -- '--measure-latency'; then
    mode=()
else
    mode=(--screenshot "$out" ${window[@]+"${window[@]}"})
fi
XDG_RUNTIME_DIR="$work" XDG_STATE_HOME="$work/state" \
    xvfb-run -a -s "-screen 0 1024x768x24" \
    "$prog" --settings "$work/handrel.ini" --root "$work/root" "${mode[@]}" "$@"
