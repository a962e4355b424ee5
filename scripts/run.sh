#!/usr/bin/env bash
# Builds the program and opens the editor on the map given, or on the bundled sample map.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.." && pwd)
source "$root/scripts/deps.sh"
tarnwick_install "${TARNWICK_BUILD_PACKAGES[@]}" libbenchmark-dev
map=$(readlink -f "${1:-$root/data/sample.bsp}")
cd "$root"
# A failed configure or build stops here with its own messages and exit code.
cmake --preset release >/dev/null
cmake --build --preset release
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "The editor is built, but there is no display to open it on."
  if command -v xvfb-run >/dev/null; then
    echo "xvfb-run is installed; run the editor under a virtual display:"
  else
    echo "Install a virtual display (sudo apt-get install xvfb xauth), then run the editor under it:"
  fi
  echo "  xvfb-run -a $root/build/release/bin/tarnwick \"$map\""
  exit 1
fi
exec build/release/bin/tarnwick "$map"
