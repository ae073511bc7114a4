#!/usr/bin/env bash
# Configures and builds Kestrune into build/ (extra arguments go to CMake).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build -j"$(nproc)"
