#!/usr/bin/env bash
# Installs what Kestrune needs, builds it, and starts it in run/ on a
# database with a few sample servers (made the first time).
# Without a display it runs on a virtual one and saves run/kestrune.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
mkdir -p run
cd run
[ -e data.mdb ] || ../build/tools/newdb/kestrune-newdb --samples
# The banner's web view will not start as root unless its sandbox is off.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ../build/kestrune
fi
echo "No display: starting Kestrune on a virtual one for 15 seconds."
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  ../build/kestrune & pid=$!
  sleep 12
  import -window root kestrune.png && echo "Screenshot: run/kestrune.png"
  kill $pid; wait $pid 2>/dev/null || true'
