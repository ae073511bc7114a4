#!/usr/bin/env bash
# Installs the Debian 12 packages Kestrune needs to build, run and test.
set -euo pipefail

packages=(
  # toolchain
  cmake ninja-build g++ pkg-config git
  # Qt 6 widgets and the banner's web view
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libgl-dev
  # database engine, per-user sealing
  libsqlcipher-dev sqlcipher libsodium-dev
  # tests
  libgtest-dev libgmock-dev
  # the Remote Desktop client behind our adapter, a peer to test it against
  freerdp2-x11 xrdp tigervnc-standalone-server passwd
  # fonts for the Chinese texts, a virtual display, screenshots
  fonts-wqy-zenhei xvfb xauth imagemagick x11-utils
  # the probe's tests and benchmark
  iproute2 fping tcpdump procps
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"
  elif command -v sudo >/dev/null; then sudo "$@"
  else echo "deps.sh: run as root (or install sudo) to install packages" >&2; exit 1
  fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  as_root apt-get update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
