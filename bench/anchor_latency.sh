#!/usr/bin/env bash
# Drawing-to-arrival latency of the X11 screen stream beside the two VNC
# servers, with the anchor harness (../shared/anchor, its README says what it
# needs). The harness measures latency with a marker square that flips once a
# second in the idle and typing workloads; for Handrel it runs a client it
# calls hd_watch.py under the "hdlisten+py" label. This script stands in for
# the harness's Python (PYTHON=) and runs handrel-cli watch with the marker
# for that client; every other Python call goes to python3 unchanged.
#
#   bench/anchor_latency.sh [SECONDS] [SCREENS] [WORKLOADS]
#       (defaults: 10, both sizes, "idle typing": the workloads with the marker)
#   environment: ANCHOR (default ../shared/anchor), OUT (results folder),
#                CLI_OPTIONS (more handrel-cli options, e.g. --no-screen-extension)
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PROJECT=$(dirname "$HERE")

if [[ ${HANDREL_ANCHOR_SHIM:-} == 1 ]]; then
    if [[ ${1:-} == */hd_watch.py ]]; then
        shift
        host="" secs="" mark=()
        while (($#)); do
            case $1 in
                --host) host=$2; shift 2 ;;
                --marker | --marker-log) mark+=("$1" "$2"); shift 2 ;;
                *) secs=$1; shift ;;
            esac
        done
        # shellcheck disable=SC2086 # CLI_OPTIONS is a list of words
        exec "$PROJECT/build/bin/handrel-cli" --settings "${TMPDIR:-/tmp}/handrel-anchor.conf" \
            --host "$host" ${CLI_OPTIONS:-} watch "$secs" "${mark[@]}"
    fi
    exec python3 "$@"
fi

ANCHOR=${ANCHOR:-$PROJECT/../shared/anchor}
[[ -x $ANCHOR/compare.sh ]] || { echo "no anchor harness at $ANCHOR" >&2; exit 2; }
export HANDREL_ANCHOR_SHIM=1 PYTHON="$HERE/anchor_latency.sh"
export SERVERS=${SERVERS:-"hdlisten+py x11vnc x0vnc"}
export OUT=${OUT:-$(mktemp -d -t anchor-latency-XXXXXX)}
"$ANCHOR/compare.sh" "$PROJECT" "${1:-10}" "${2:-1920x1080x24 1024x768x16}" "${3:-idle typing}"
