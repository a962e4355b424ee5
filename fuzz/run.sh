#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS (default 20) over its committed seeds
# (fuzz/corpus/TARGET) and regression inputs (fuzz/regressions/TARGET), plus a scratch corpus that
# grows under build/fuzz/corpus. Fails when a target finds a crash, a hang, a leak or an input that
# makes a reader allocate beyond its allowance; the input is then left in build/fuzz/findings.
#   fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.." && pwd)
seconds=${1:-20}
[ $# -gt 0 ] && shift
all=(map_load map_draw entity_text config_read settings_read fgd_read gcf_read)
targets=("${@:-${all[@]}}")

source "$root/scripts/deps.sh"
tarnwick_install cmake ninja-build clang libclang-rt-14-dev
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The largest input worth trying: a few times the largest seed.
declare -A max_len=([map_load]=8192 [map_draw]=8192 [entity_text]=1024 [config_read]=4096
  [settings_read]=512 [fgd_read]=32768 [gcf_read]=8192)

failed=()
for t in "${targets[@]}"; do
  [ -n "${max_len[$t]:-}" ] || { echo "no such fuzz target: $t" >&2; exit 2; }
  scratch=build/fuzz/corpus/$t findings=build/fuzz/findings/$t log=build/fuzz/logs/$t.log
  mkdir -p "$scratch" "$findings" "$(dirname "$log")"
  corpora=("$scratch" "fuzz/corpus/$t")
  [ -d "fuzz/regressions/$t" ] && corpora+=("fuzz/regressions/$t")
  # The memory limits are a backstop: each target's own heap watch is the tighter bound.
  args=(-max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout=10 -rss_limit_mb=1024
    -malloc_limit_mb=64 -artifact_prefix="$findings/" -print_final_stats=1)
  [ -f "fuzz/dict/$t.dict" ] && args+=(-dict="fuzz/dict/$t.dict")
  if "build/fuzz/bin/fuzz_$t" "${args[@]}" "${corpora[@]}" >"$log" 2>&1; then
    last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
    rate=$(grep -oE 'average_exec_per_sec: *[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
    echo "$t: $(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' <<<"$last"), ${rate:-?} exec/s"
  else
    failed+=("$t")
    tail -n 60 "$log"
    echo "$t: FAILED, see $log and $findings"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets with findings: ${failed[*]}" >&2
  exit 1
fi
