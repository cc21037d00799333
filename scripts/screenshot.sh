#!/usr/bin/env bash
# Runs the real Handrel window under Xvfb, connected to the built-in virtual
# handheld, and writes a PNG of it once the first frame is painted.
#   scripts/screenshot.sh [OUT.png] [extra handrel options...]
#   scripts/screenshot.sh --measure-latency 20   # times 20 key presses instead
#   scripts/screenshot.sh [OUT.png] --window NAME   # another window: skin
#     (the skin window: SKIN=NAME picks the skin, DEVICE=0..3 the device type)
# BUILD selects the build folder (default: build).
set -eu
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD:-build}"
case "$build" in /*) ;; *) build="$here/$build" ;; esac
out="$build/screenshots/handrel.png"
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
    out="$1"
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
args=()
while [ $# -gt 0 ]; do
    if [ "$1" = "--window" ] && [ $# -gt 1 ]; then
        window="$2"
        shift 2
        args+=(--screenshot-window "$window")
        case "$window" in
            # Skin mode at 100 %, the skin window placed where the screen shows it.
            skin) printf 'Id=16384\nScale=100\nSkinName=%s\nDevice=%s\nSkinX=40\nSkinY=40\n' \
                      "${SKIN:-}" "${DEVICE:-0}" >> "$work/handrel.ini" ;;
        esac
        continue
    fi
    args+=("$1")
    shift
done
set -- ${args[@]+"${args[@]}"}
if printf '%s\n' "$@" | grep -q -- '--measure-latency'; then
    mode=()
else
    mode=(--screenshot "$out")
fi
XDG_RUNTIME_DIR="$work" XDG_STATE_HOME="$work/state" \
    xvfb-run -a -s "-screen 0 1024x768x24" \
    "$prog" --settings "$work/handrel.ini" --root "$work/root" "${mode[@]}" "$@"
