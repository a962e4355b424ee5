#!/usr/bin/env bash
# The three whole-process comparisons, each timed as RUNS pairs of runs (A, then B) and given as
# the medians of A and B and their ratio:
#   resave MAP                          against  dd of MAP with conv=fsync       (goal: at most 1.5)
#   gcf-extract of MAP from a cache of about 400 MB in scattered 8 KiB blocks
#                                       against  cp of the extracted file        (goal: at most 2)
#   check MAP100 --walls                against  check MAP100                    (goal: at most 2)
# MAP100 is MAP with its spawn points copied until it holds 100, each copy moved along x in 40-unit
# steps. The inputs are written to build/compare, on the disk of the checkout, and removed after.
#   bench/compare.sh [MAP] [RUNS]       MAP: ../shared/maps/de_torabora.bsp, RUNS: 31
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.." && pwd)
map=$(readlink -f "${1:-$root/../shared/maps/de_torabora.bsp}")
runs=${2:-31}
source "$root/scripts/deps.sh"
tarnwick_install "${TARNWICK_BUILD_PACKAGES[@]}" libbenchmark-dev
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
bin=$root/build/release/bin
work=$root/build/compare
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

"$bin/bench_inputs" spawns "$map" "$bin/Config.cfg" 100 "$work/spawns100.bsp"
"$bin/bench_inputs" cache "$map" 400 "$work/cache.gcf"
name=$(basename "$map")
index=$("$bin/tarnwick-cli" gcf-list "$work/cache.gcf" | awk -v name="$name" '$3 == name { print $1 }')
# Each command once before the timing: the extraction must give the map back.
"$bin/tarnwick-cli" gcf-extract "$work/cache.gcf" "$index" "$work/extracted.bsp"
cmp "$map" "$work/extracted.bsp"
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); cache $(du -m "$work/cache.gcf" | cut -f1) MB"

"$bin/paired_runs" "$runs" resave -- "$bin/tarnwick-cli" resave "$map" "$work/resaved.bsp" \
  -- dd if="$map" of="$work/dd.bsp" bs=4M conv=fsync
"$bin/paired_runs" "$runs" gcf-extract \
  -- "$bin/tarnwick-cli" gcf-extract "$work/cache.gcf" "$index" "$work/extracted.bsp" \
  -- cp "$work/extracted.bsp" "$work/copied.bsp"
"$bin/paired_runs" "$runs" check-walls -- "$bin/tarnwick-cli" check "$work/spawns100.bsp" --walls \
  -- "$bin/tarnwick-cli" check "$work/spawns100.bsp"
echo "load average $(cut -d' ' -f1-3 /proc/loadavg)"
