#!/usr/bin/env bash
# File transfer throughput: handrel-cli put and get of one file over loopback
# to hdlisten with the virtual device, next to cp of the same file on the
# same disk. Each put/get is a whole handrel-cli run (connect, transfer,
# disconnect), so the figure includes the connection's set-up and ending.
#
#   bench/transfer.sh [BUILD_DIR] [SIZE_MIB]    (defaults: build, 100)
#
# Two contents: random bytes (nothing to compress) and text (C headers).
set -euo pipefail

BUILD=${1:-build}
MIB=${2:-100}
CLI="$BUILD/bin/handrel-cli"
LISTEN="$BUILD/bin/hdlisten"
[[ -x $CLI && -x $LISTEN ]] || { echo "build $CLI and $LISTEN first" >&2; exit 2; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/hd-transfer-XXXXXX")
PORT=$((20000 + RANDOM % 20000))
LISTENER=
cleanup() {
    [[ -n $LISTENER ]] && kill "$LISTENER" 2>/dev/null && wait "$LISTENER" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/root" "$WORK/desk"
"$LISTEN" --port "$PORT" --bind 127.0.0.1 --device virtual --root "$WORK/root" \
    >"$WORK/listen.log" 2>&1 &
LISTENER=$!
for _ in $(seq 50); do
    "$CLI" --settings "$WORK/s.conf" --host "127.0.0.1:$PORT" ls '1:\' >/dev/null 2>&1 && break
    sleep 0.1
done

now() { date +%s.%N; }
rate() { awk -v b="$1" -v s="$2" -v e="$3" 'BEGIN { printf "%8.1f MB/s  (%.2f s)", b / 1e6 / (e - s), e - s }'; }

BYTES=$((MIB * 1024 * 1024))
printf 'file: %d MiB (%d bytes); handrel-cli over loopback to hdlisten --device virtual\n' "$MIB" "$BYTES"
for kind in random text; do
    SRC="$WORK/desk/$kind.bin"
    if [[ $kind == random ]]; then
        head -c "$BYTES" /dev/urandom >"$SRC"
    else
        # Real text: the system's C headers, repeated to the size.
        while [[ $(stat -c %s "$SRC" 2>/dev/null || echo 0) -lt $BYTES ]]; do
            find /usr/include -name '*.h' -type f -exec cat {} + 2>/dev/null >>"$SRC" || true
        done
        truncate -s "$BYTES" "$SRC"
    fi
    sync
    H="--settings $WORK/s.conf --host 127.0.0.1:$PORT"

    s=$(now); cp "$SRC" "$WORK/desk/copy.bin"; e=$(now)
    cprate=$(rate "$BYTES" "$s" "$e")
    s=$(now); "$CLI" $H put "$SRC" "1:\\$kind.bin"; e=$(now)
    putrate=$(rate "$BYTES" "$s" "$e")
    s=$(now); "$CLI" $H get "1:\\$kind.bin" "$WORK/desk/back.bin"; e=$(now)
    getrate=$(rate "$BYTES" "$s" "$e")
    cmp -s "$SRC" "$WORK/desk/back.bin" || { echo "get returned other bytes" >&2; exit 1; }
    cmp -s "$SRC" "$WORK/root/$kind.bin" || { echo "put stored other bytes" >&2; exit 1; }

    printf '%-6s  put %s   get %s   cp %s\n' "$kind" "$putrate" "$getrate" "$cprate"
    rm -f "$WORK/desk/copy.bin" "$WORK/desk/back.bin" "$WORK/root/$kind.bin"
done
