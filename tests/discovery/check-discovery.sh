#!/usr/bin/env bash
# hdlisten announced on a private system bus and Avahi daemon of this test,
# found by handrel-cli discover with its kind and screen size. Nothing of the
# machine's own bus is touched. Exits 77 (skipped) when the daemons cannot run.
set -u
bin=$1
work=$(mktemp -d /tmp/hd-discovery.XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAIL: $*"; for f in "$work"/*.out; do echo "== $f"; cat "$f"; done; exit 1; }

command -v dbus-daemon >/dev/null || skip "no dbus-daemon"
command -v avahi-daemon >/dev/null || skip "no avahi-daemon"

cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
cat >"$work/avahi.conf" <<CONF
[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
enable-dbus=yes
[publish]
publish-hinfo=no
publish-workstation=no
CONF

dbus-daemon --config-file="$work/bus.conf" --nofork >"$work/dbus.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/bus" ] && break; sleep 0.1; done
[ -S "$work/bus" ] || skip "dbus-daemon did not start: $(cat "$work/dbus.out")"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/bus"

# A daemon of the machine keeps its pid file and socket in /run/avahi-daemon:
# where a private mount is allowed, this one gets its own folder there.
avahi=(avahi-daemon --no-drop-root --no-chroot --no-rlimits -f "$work/avahi.conf")
if unshare -m true 2>/dev/null; then
    mkdir -p /run/avahi-daemon 2>/dev/null
    unshare -m sh -c 'mount -t tmpfs tmpfs /run/avahi-daemon && exec "$@"' sh "${avahi[@]}" \
        >"$work/avahi.out" 2>&1 &
else
    "${avahi[@]}" >"$work/avahi.out" 2>&1 &
fi
pids+=($!)
for _ in $(seq 100); do
    grep -q "Server startup complete" "$work/avahi.out" && break
    kill -0 "${pids[1]}" 2>/dev/null || break
    sleep 0.1
done
grep -q "Server startup complete" "$work/avahi.out" ||
    skip "avahi-daemon cannot run here: $(tail -n 3 "$work/avahi.out" | tr '\n' ' ')"

port=$((20000 + RANDOM % 20000))
"$bin/hdlisten" --device virtual --port "$port" --bind 127.0.0.1 --root "$work/root" \
    >"$work/hdlisten.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q "listening on" "$work/hdlisten.out" && break; sleep 0.1; done
grep -q "discovery is unavailable" "$work/hdlisten.out" && fail "hdlisten did not announce"

"$bin/handrel-cli" discover 5 >"$work/discover.out" 2>&1 || fail "discover exited $?"
grep -qE "	127\.0\.0\.1:$port	virtual	240x320\$" "$work/discover.out" ||
    fail "hdlisten on port $port not listed with kind virtual and size 240x320"

# --no-announce keeps a second listener off the list.
"$bin/hdlisten" --device virtual --port $((port + 1)) --bind 127.0.0.1 --root "$work/root2" \
    --no-announce >"$work/quiet.out" 2>&1 &
pids+=($!)
"$bin/handrel-cli" discover 2 >"$work/discover2.out" 2>&1 || fail "second discover exited $?"
grep -q ":$port	" "$work/discover2.out" || fail "the announced listener went missing"
grep -q ":$((port + 1))	" "$work/discover2.out" && fail "--no-announce was announced"
echo "found: $(cat "$work/discover.out")"
exit 0
