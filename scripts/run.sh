#!/usr/bin/env bash
# Builds the program and opens the editor on the map given, or on the bundled sample map.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.." && pwd)
source "$root/scripts/deps.sh"
tarnwick_install "${TARNWICK_BUILD_PACKAGES[@]}" libbenchmark-dev
map=$(readlink -f "${1:-$root/data/sample.bsp}")
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the editor on. Run it under a virtual display instead:"
  echo "  xvfb-run -a $root/build/release/bin/tarnwick \"$map\""
  echo "(xvfb-run comes with: apt-get install xvfb xauth)"
  exit 1
fi
exec build/release/bin/tarnwick "$map"
