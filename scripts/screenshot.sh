#!/usr/bin/env bash
# Runs the real Handrel window under Xvfb, connected to the built-in virtual
# handheld, and writes a PNG of it once the first frame is painted.
#   scripts/screenshot.sh [OUT.png] [extra handrel options...]
#   scripts/screenshot.sh --measure-latency 20   # times 20 key presses instead
#   scripts/screenshot.sh [OUT.png] --window explorer  # a tool window instead
# BUILD selects the build folder (default: build).
set -eu
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD:-build}"
case "$build" in /*) ;; *) build="$here/$build" ;; esac
out="$build/screenshots/handrel.png"
given=""
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
    out="$1"
    given=1
    shift
fi
prog="$build/bin/handrel"
[ -x "$prog" ] || { echo "screenshot: $prog is missing; run make build first" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "screenshot: xvfb-run is missing; run scripts/setup.sh" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root" "$(dirname "$out")"
# A store of its own: no first-start dialog, the default (built-in) connection.
printf '[General]\nVersion=2.17\n' > "$work/handrel.ini"
# --window NAME: the tool window NAME, after what it needs to show is made.
window=""
args=()
while [ $# -gt 0 ]; do
    if [ "$1" = "--window" ] && [ $# -gt 1 ]; then
        window="$2"
        shift 2
    else
        args+=("$1")
        shift
    fi
done
set -- ${args[@]+"${args[@]}"}
case "$window" in
    "") ;;
    explorer)
        # A few files in the handheld's root for the list to show.
        mkdir -p "$work/root/My Documents" "$work/root/Temp"
        printf 'Shopping: milk, bread\n' > "$work/root/notes.txt"
        head -c 24000 /dev/urandom > "$work/root/photo.jpg"
        head -c 3000 /dev/urandom > "$work/root/setup.exe"
        printf 'x' > "$work/root/My Documents/letter.doc"
        ;;
    *) echo "screenshot: unknown window $window (explorer)" >&2; exit 1 ;;
esac
[ -z "$window" ] || [ -n "$given" ] || out="${out%.png}-$window.png"
if printf '%s\n' "$@" | grep -q -- '--measure-latency'; then
    mode=()
else
    mode=(--screenshot "$out")
    [ -z "$window" ] || mode+=(--screenshot-window "$window")
fi
XDG_RUNTIME_DIR="$work" XDG_STATE_HOME="$work/state" \
    xvfb-run -a -s "-screen 0 1024x768x24" \
    "$prog" --settings "$work/handrel.ini" --root "$work/root" "${mode[@]}" "$@"
