#!/usr/bin/env bash
# Status monitor figures, on the offscreen platform:
#  - one pass over 1,000 answering loopback servers: its duration and the
#    user-interface thread's longest stall while it runs (repaints included);
#  - the time from closing the main window to the end of the process while
#    the monitor waits on a silent server (inside a network namespace of our
#    own where loopback ignores echo requests). Needs root for that part.
# Usage: bench/monitor/run.sh [build-dir]
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
bin="$build/bench/monitor/bench_monitor"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1

mkdir -p "$work/pass" "$work/silent"
"$bin" make 1000 "$work/pass"
for run in 1 2 3; do
  (cd "$work/pass" && "$bin" pass 2>/dev/null | grep servers=)
done

"$bin" make 1 "$work/silent"
if [ "$(id -u)" -ne 0 ]; then
  echo "close_to_exit: skipped (needs root for a network namespace)"
  exit 0
fi
for delay in 300 700 1500; do
  unshare -n bash -c '
    ip link set lo up
    sysctl -qw net.ipv4.icmp_echo_ignore_all=1
    cd "$1"
    out=$("$2" close "$3" 2>/dev/null | grep close_ns=)
    end=$(date +%s%N)
    echo "close_to_exit_ms=$(( (end - ${out#close_ns=}) / 1000000 )) (closed ${3} ms after show, probe silent)"
  ' _ "$work/silent" "$bin" "$delay"
done
