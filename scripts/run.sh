#!/usr/bin/env bash
# Builds the program and runs it on the map given, or on the bundled sample map.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.." && pwd)
source "$root/scripts/deps.sh"
tarnwick_install "${TARNWICK_BUILD_PACKAGES[@]}" libbenchmark-dev
map=$(readlink -f "${1:-$root/data/sample.bsp}")
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release
build/release/bin/tarnwick-cli info "$map"
build/release/bin/tarnwick-cli spawns "$map"
