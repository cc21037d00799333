#!/usr/bin/env bash
# Soak: CYCLES connect/transfer/disconnect cycles over TCP to hdlisten and
# over the local link, with every tenth cycle ended abruptly (a handrel-cli
# killed in the middle of a put, a connection reset in the middle of a file,
# the local link cut under a transfer). Every 100 cycles the listener's and
# the desktop's open descriptors, threads and resident memory are printed;
# they must stay flat.
#
#   bench/soak.sh [BUILD_DIR] [CYCLES]    (defaults: build, 1000)
set -euo pipefail

BUILD=${1:-build}
CYCLES=${2:-1000}
DRIVER="$BUILD/bin/soak_driver"
LISTEN="$BUILD/bin/hdlisten"
CLI="$BUILD/bin/handrel-cli"
AGENT="$BUILD/lib/libhdagent.so"
for f in "$DRIVER" "$LISTEN" "$CLI"; do
    [[ -x $f ]] || { echo "build $f first (make build)" >&2; exit 2; }
done
[[ -e $AGENT ]] || AGENT=""

WORK=$(mktemp -d "${TMPDIR:-/tmp}/hd-soak-XXXXXX")
PORT=$((20000 + RANDOM % 20000))
LISTENER=
cleanup() {
    [[ -n $LISTENER ]] && kill "$LISTENER" 2>/dev/null && wait "$LISTENER" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/root" "$WORK/local" "$WORK/desk"
"$LISTEN" --port "$PORT" --bind 127.0.0.1 --device virtual --root "$WORK/root" \
    >"$WORK/listen.log" 2>&1 &
LISTENER=$!
sleep 0.5
status=0
echo "soak: $CYCLES cycles over TCP (hdlisten pid $LISTENER, port $PORT)"
"$DRIVER" --port "$PORT" --cycles "$CYCLES" --listener "$LISTENER" --work "$WORK/desk" \
    --cli "$CLI" --root "$WORK/root" || status=1
kill -0 "$LISTENER" 2>/dev/null || { echo "soak: hdlisten died" >&2; status=1; }
echo "soak: $CYCLES cycles over the local link"
"$DRIVER" --port 0 --cycles "$CYCLES" --work "$WORK/desk" --root "$WORK/local" \
    ${AGENT:+--library "$AGENT"} || status=1
exit $status
