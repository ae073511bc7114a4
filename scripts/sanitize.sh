#!/usr/bin/env bash
# scripts/sanitize.sh address|thread
# Builds Kestrune with AddressSanitizer + UndefinedBehaviorSanitizer, or with
# ThreadSanitizer, and runs the tests under it. The thread build runs the
# tests that exercise threads (label "monitor").
set -euo pipefail
cd "$(dirname "$0")/.."
kind="${1:-address}"
scripts/deps.sh
dir="build-$kind"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_SANITIZE="$kind"
cmake --build "$dir" -j"$(nproc)"
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
case "$kind" in
  address)
    # Qt and the web engine keep some allocations to the end by design.
    export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    ctest --test-dir "$dir" --output-on-failure -j2 -LE integration ;;
  thread)
    export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
    ctest --test-dir "$dir" --output-on-failure -L monitor ;;
  *) echo "usage: $0 address|thread" >&2; exit 2 ;;
esac
