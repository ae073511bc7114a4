#!/usr/bin/env bash
# Start-up to a painted grid, and peak resident memory, with 100 and with
# 10,000 servers: the median of 5 runs each, on a virtual display.
# Usage: bench/startup/run.sh [build-dir]
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
build="${1:-build}"
bin="$build/bench/startup/bench_startup"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

for n in 100 10000; do
  mkdir -p "$work/$n"
  "$bin" make "$n" "$work/$n"
  times=(); rss=()
  for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    out=$(cd "$work/$n" && "$OLDPWD/$bin" run 2>/dev/null | grep painted_ns)
    painted=$(sed 's/.*painted_ns=\([0-9]*\).*/\1/' <<<"$out")
    times+=($(( (painted - start) / 1000000 )))
    rss+=($(sed 's/.*maxrss_kb=\([0-9]*\).*/\1/' <<<"$out"))
  done
  t=$(printf '%s\n' "${times[@]}" | median)
  m=$(printf '%s\n' "${rss[@]}" | median)
  echo "servers=$n start_to_painted_ms=$t (runs: ${times[*]}) peak_rss_mib=$((m / 1024))"
done
