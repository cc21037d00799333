#!/usr/bin/env bash
# Installs what the build needs from Debian's packages, when missing.
# Runs as root or through sudo; does nothing when everything is present.
set -eu
pkgs=(g++ make cmake ninja-build pkg-config ccache zlib1g-dev libdeflate-dev libzstd-dev libgtest-dev libgmock-dev
      libbenchmark-dev clang libclang-rt-14-dev qt6-base-dev qt6-svg-dev libevdev-dev xvfb xauth
      libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
      libx11-dev libxext-dev libxtst-dev libxdamage-dev libxfixes-dev libxres-dev openbox
      openssh-client openssh-server
      lintian scdoc librsvg2-bin appstream desktop-file-utils bash-completion
      libavahi-client-dev avahi-daemon dbus-daemon
      libwayland-dev libwayland-bin wayland-protocols libxkbcommon-dev sway grim)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
