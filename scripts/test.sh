#!/usr/bin/env bash
# Checks the code's format, builds everything with the sanitizers, runs the whole test suite under
# its own virtual display, then runs the fuzz targets briefly.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.." && pwd)
source "$root/scripts/deps.sh"
tarnwick_install "${TARNWICK_BUILD_PACKAGES[@]}" libgtest-dev xvfb xauth clang-format
cd "$root"
# The format is that of .clang-format as Debian 12's clang-format (14) writes it.
find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | sort |
  xargs clang-format --dry-run --Werror
cmake --preset test >/dev/null
cmake --build --preset test
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset test
# Then every fuzz target for 20 seconds over its seeds and the inputs of earlier findings.
bash "$root/fuzz/run.sh" 20
