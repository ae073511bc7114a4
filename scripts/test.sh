#!/usr/bin/env bash
# Installs what Kestrune needs, builds it with warnings as errors, and runs
# the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_WERROR=ON
cmake --build build-test -j"$(nproc)"
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
ctest --test-dir build-test --output-on-failure -j2 --timeout 600
