#!/usr/bin/env bash
# Runs every fuzzer for SECONDS each (default 600) on a corpus kept between
# runs (build-fuzz/corpus/<target>, started from fuzz/seeds/<name>), and prints
# per target the executions of this run, the executions of all runs so far
# (build-fuzz/campaign/<target>.execs), and the findings: inputs that crashed,
# leaked or timed out, kept in build-fuzz/findings/<target>/. A finding, once
# fixed, goes into fuzz/seeds/<name>/ so that every later run tries it again.
# KEYLOOM_FUZZ_JOBS targets run at a time (default 1); fuzz/<target>.options
# holds a target's own libFuzzer flags. Exits 1 when a target has findings.
# Usage: scripts/fuzz-campaign.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
jobs=$(nproc)
parallel=${KEYLOOM_FUZZ_JOBS:-1}

scripts/deps.sh >/dev/null
command -v clang++ >/dev/null || { echo "fuzz-campaign: needs clang++ (apt-get install clang)" >&2; exit 1; }
# Optimised, with the sanitizers: the campaign wants executions.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DKEYLOOM_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$jobs" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in build-fuzz/bin/fuzz_*; do targets+=("$(basename "$f")"); done
fi

mkdir -p build-fuzz/campaign

# One target: runs it and writes its row (and, with findings, their first lines).
run_target() {
  local name=$1 corpus=build-fuzz/corpus/$1 findings=build-fuzz/findings/$1 log=build-fuzz/campaign/$1.log
  mkdir -p "$corpus" "$findings"
  local seeds=()
  [ -d "fuzz/seeds/${name#fuzz_}" ] && seeds=("fuzz/seeds/${name#fuzz_}")
  # A target's own libFuzzer flags, one line in fuzz/<target>.options (read
  # answers 1 for a last line without its newline, having read it all the same).
  local options=()
  if [ -f "fuzz/$name.options" ]; then read -r -a options <"fuzz/$name.options" || true; fi
  local start
  start=$(date +%s)
  # A finding ends libFuzzer's run with a non-zero status; the count below tells.
  "build-fuzz/bin/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "${options[@]}" -artifact_prefix="$findings/" "$corpus" "${seeds[@]}" >"$log" 2>&1 || true
  local elapsed=$(( $(date +%s) - start ))
  local execs
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  execs=${execs:-0}
  local total=$(( $(cat "build-fuzz/campaign/$name.execs" 2>/dev/null || echo 0) + execs ))
  echo "$total" >"build-fuzz/campaign/$name.execs"
  local found
  found=$(find "$findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  {
    printf '%-24s %14s %16s %8s %9s\n' "$name" "$execs" "$total" "$elapsed" "$found"
    [ "$found" -gt 0 ] && grep -m 3 -E "ERROR|SUMMARY|deadly signal" "$log" | sed 's/^/    /'
  } >"build-fuzz/campaign/$name.row"
}

printf '%-24s %14s %16s %8s %9s\n' target executions "all runs" seconds findings
running=0
for name in "${targets[@]}"; do
  run_target "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait
status=0
for name in "${targets[@]}"; do
  cat "build-fuzz/campaign/$name.row"
  [ "$(awk 'NR == 1 { print $5 }' "build-fuzz/campaign/$name.row")" = 0 ] || status=1
done
exit $status
