#!/usr/bin/env bash
# Frames and bytes per second that handrel-cli watch receives from
# hdlisten --device x11 while the test client animates a whole 1920x1080
# screen (every pixel changes, 60 frames a second), on a private Xvfb.
# Two contents: stripes and bars (zlib folds them well) and 2x2 blocks of
# random colour (it cannot).
#
#   bench/x11_watch.sh [BUILD_DIR] [SECONDS] [SCREEN] [stripes|noise]
#   (defaults: build-bench, 5, 1920x1080x24, stripes)
#
# Needs hdlisten, libhdagent, handrel-cli and x11_test_client in BUILD_DIR
# (make bench builds them) and Xvfb (scripts/setup.sh installs it).
set -euo pipefail

BUILD=${1:-build-bench}
SECONDS_TO_WATCH=${2:-5}
SCREEN=${3:-1920x1080x24}
PATTERN=${4:-stripes}
NOISE=()
[[ $PATTERN == noise ]] && NOISE=(--noise)
CLI="$BUILD/bin/handrel-cli"
LISTEN="$BUILD/bin/hdlisten"
CLIENT="$BUILD/bin/x11_test_client"
for f in "$CLI" "$LISTEN" "$CLIENT"; do
    [[ -x $f ]] || { echo "build $f first" >&2; exit 2; }
done
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (scripts/setup.sh installs it)" >&2; exit 2; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/hd-x11-watch-XXXXXX")
PORT=$((20000 + RANDOM % 20000))
PIDS=()
cleanup() {
    for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
        kill "${PIDS[i]}" 2>/dev/null && wait "${PIDS[i]}" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

# The server picks a free display number and writes it on descriptor 3.
exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 "$SCREEN" -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
PIDS+=($!)
exec 3>&-
for _ in $(seq 100); do [[ -s $WORK/display ]] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$WORK/display")"

# No input is sent: the client's standard input stays open and empty.
mkfifo "$WORK/client.in"
"$CLIENT" --override --animate "${NOISE[@]}" <"$WORK/client.in" >"$WORK/client.out" 2>&1 &
PIDS+=($!)
exec 4>"$WORK/client.in"
for _ in $(seq 200); do grep -q '^ready' "$WORK/client.out" && break; sleep 0.05; done

"$LISTEN" --port "$PORT" --bind 127.0.0.1 --device x11 --root "$WORK/root" \
    >"$WORK/listen.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 100); do grep -q listening "$WORK/listen.log" && break; sleep 0.05; done

echo "hdlisten --device x11 on Xvfb $DISPLAY ($SCREEN), the test client animating the whole screen ($PATTERN)"
echo "handrel-cli --host 127.0.0.1:$PORT watch $SECONDS_TO_WATCH"
"$CLI" --settings "$WORK/s.conf" --host "127.0.0.1:$PORT" watch "$SECONDS_TO_WATCH" | tee "$WORK/watch.out"
# The first second includes connecting and the full first update.
awk '/fps/ { n++; if (n > 1) { f += $7; b += $9; m++ } }
     END { if (m) printf "mean of seconds 2-%d: %.1f frames/s, %.0f bytes/s (%.1f MB/s)\n",
                         n, f / m, b / m, b / m / 1e6 }' "$WORK/watch.out"
