#!/usr/bin/env bash
# File transfer throughput: handrel-cli put and get of one file over loopback
# to hdlisten with the virtual device, next to cp of the same file on the
# same disk. Each put/get is a whole handrel-cli run (connect, transfer,
# disconnect), so the figure includes the connection's set-up and ending.
#
#   bench/transfer.sh [BUILD_DIR] [SIZE_MIB]    (defaults: build, 100)
#
# Two contents: random bytes (nothing to compress) and text (C headers).
# Every transfer runs twice in the same run: with the packer, and with zlib's
# own compressor at level 9 as the baseline (HANDREL_PACKER=zlib on both
# ends); the last columns are the packer's speed and size against zlib's.
set -euo pipefail

BUILD=${1:-build}
MIB=${2:-100}
CLI="$BUILD/bin/handrel-cli"
LISTEN="$BUILD/bin/hdlisten"
[[ -x $CLI && -x $LISTEN ]] || { echo "build $CLI and $LISTEN first" >&2; exit 2; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/hd-transfer-XXXXXX")
LISTENERS=()
cleanup() {
    for p in "${LISTENERS[@]}"; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null; done
    rm -rf "$WORK"
}
trap cleanup EXIT

# start_listener PACKER ROOT: serves ROOT on a free port, left in PORT. Not in
# a command substitution: the listener must be this shell's child.
start_listener() {
    local packer=$1 root=$2
    PORT=$((20000 + RANDOM % 20000))
    mkdir -p "$root"
    HANDREL_PACKER=$packer "$LISTEN" --port "$PORT" --bind 127.0.0.1 --device virtual \
        --root "$root" >"$root.log" 2>&1 &
    LISTENERS+=($!)
    for _ in $(seq 50); do
        HANDREL_PACKER=$packer "$CLI" --settings "$WORK/s.conf" --host "127.0.0.1:$PORT" \
            ls '1:\' >/dev/null 2>&1 && return
        sleep 0.1
    done
}

mkdir -p "$WORK/desk"
start_listener packer "$WORK/root-packer"
PORT_PACKER=$PORT
start_listener zlib "$WORK/root-zlib"
PORT_ZLIB=$PORT

now() { date +%s.%N; }
secs() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.3f", e - s }'; }
rate() { awk -v b="$1" -v t="$2" 'BEGIN { printf "%7.1f MB/s", b / 1e6 / t }'; }

# transfer PACKER PORT ROOT KIND: times put and get, checks the bytes, and
# leaves "put_seconds get_seconds" in REPLY.
transfer() {
    local packer=$1 port=$2 root=$3 kind=$4 s e tput tget
    local H="--settings $WORK/s.conf --host 127.0.0.1:$port"
    s=$(now); HANDREL_PACKER=$packer "$CLI" $H put "$SRC" "1:\\$kind.bin"; e=$(now)
    tput=$(secs "$s" "$e")
    s=$(now); HANDREL_PACKER=$packer "$CLI" $H get "1:\\$kind.bin" "$WORK/desk/back.bin"; e=$(now)
    tget=$(secs "$s" "$e")
    cmp -s "$SRC" "$WORK/desk/back.bin" || { echo "get returned other bytes" >&2; exit 1; }
    cmp -s "$SRC" "$root/$kind.bin" || { echo "put stored other bytes" >&2; exit 1; }
    rm -f "$WORK/desk/back.bin" "$root/$kind.bin"
    REPLY="$tput $tget"
}

BYTES=$((MIB * 1024 * 1024))
printf 'file: %d MiB (%d bytes); handrel-cli over loopback to hdlisten --device virtual\n' "$MIB" "$BYTES"
printf 'load average: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
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

    s=$(now); cp "$SRC" "$WORK/desk/copy.bin"; e=$(now)
    tcp=$(secs "$s" "$e")
    rm -f "$WORK/desk/copy.bin"
    transfer zlib "$PORT_ZLIB" "$WORK/root-zlib" "$kind"
    read -r zput zget <<<"$REPLY"
    transfer packer "$PORT_PACKER" "$WORK/root-packer" "$kind"
    read -r pput pget <<<"$REPLY"

    printf '%-6s zlib:   put %s  get %s   cp %s\n' "$kind" "$(rate "$BYTES" "$zput")" \
        "$(rate "$BYTES" "$zget")" "$(rate "$BYTES" "$tcp")"
    printf '%-6s packer: put %s  get %s   speed vs zlib: put %.2fx  get %.2fx\n' "$kind" \
        "$(rate "$BYTES" "$pput")" "$(rate "$BYTES" "$pget")" \
        "$(awk -v a="$zput" -v b="$pput" 'BEGIN { print a / b }')" \
        "$(awk -v a="$zget" -v b="$pget" 'BEGIN { print a / b }')"
done
