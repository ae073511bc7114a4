#!/bin/sh
# PingHost on loopback against the round trip fping measures for the same
# address in the same run. Usage: bench/ping/run.sh [build-dir] [count]
# Needs fping (Debian package fping) and an ICMP socket (root, CAP_NET_RAW
# or net.ipv4.ping_group_range).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../../build"}
count=${2:-200}
address=127.0.0.1
bench="$build/bench/ping/bench_ping"

if [ ! -x "$bench" ]; then
    echo "bench_ping not built in $build (cmake --build $build --target bench_ping)" >&2
    exit 1
fi
if ! command -v fping >/dev/null 2>&1; then
    echo "fping is not installed (apt-get install fping)" >&2
    exit 1
fi

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# fping -C prints every round trip in ms on stderr: "127.0.0.1 : 0.05 0.04 ..."
fping_rtt_us() {
    fping -C "$count" -p 5 -q "$address" 2>&1 \
        | awk -F' : ' '{ n = split($2, t, " "); for (i = 1; i <= n; i++) if (t[i] != "-") print t[i] * 1000 }' \
        | median
}

before=$(fping_rtt_us)
pinghost_out=$("$bench" "$count" "$address")
after=$(fping_rtt_us)
pinghost=$(printf '%s\n' "$pinghost_out" | sed -n 's/^pinghost_median_us=//p')
fping_rtt=$(printf '%s\n%s\n' "$before" "$after" | awk '{ s += $1 } END { printf "%.1f", s / NR }')

printf '%s\n' "$pinghost_out" | grep -v '^pinghost_median_us='
echo "fping $address: $count round trips before and after, median ${before} us / ${after} us"
awk -v p="$pinghost" -v f="$fping_rtt" 'BEGIN {
    printf "PingHost median %.1f us vs fping round trip %.1f us: %.2fx (aim: within 1.5x); ", p, f, p / f
    if (p > f) printf "%.1f us beyond the round trip\n", p - f
    else print "the whole call takes less than the round trip fping reports" }'
