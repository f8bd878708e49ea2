#!/usr/bin/env bash
# Start-up figures of the keyloom window beside a bare Qt Widgets window of
# the same size, started the same way in the same run: time from the start of
# the process to its first painted frame, and peak memory (VmHWM) once it is
# up, as medians of RUNS starts over stored data; the same for a first run
# (an empty data folder: it makes sixteen records with time-based ids 20 ms
# apart), median of three; then the CPU time keyloom uses over 10 s of
# idling on the simulated keyboard. Usage: bench/startup.sh [BUILD_DIR] [RUNS]
# (default build, 7).
# Runs on its own X server (Xvfb) unless one is given in DISPLAY.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-7}
source bench/common.sh
on_own_x_server 1280x1024 "$@"
cmake --build "$build" --target keyloom keyloomctl keyloom_bare_window >/dev/null

bench_folder

# One start: prints "<ms to first frame> <peak KiB>"; leaves the process in $pid.
measure() {
  local log
  log=$(mktemp "$root/start-XXXX.log")
  local begin
  begin=$(date +%s.%N)
  "$@" >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 500); do grep -q "First frame painted at" "$log" && break; sleep 0.01; done
  local painted
  painted=$(sed -n 's/.*First frame painted at \([0-9.]*\).*/\1/p' "$log" | head -1)
  [ -n "$painted" ] || { echo "no frame from $1:" >&2; cat "$log" >&2; exit 1; }
  sleep 1
  local peak
  peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")
  awk -v b="$begin" -v p="$painted" -v k="$peak" 'BEGIN { printf "%.0f %d\n", (p - b) * 1000, k }'
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null || true; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$root/keyloom.txt"
: >"$root/bare.txt"
"$build/bin/keyloomctl" --data-dir "$root/data" init >/dev/null
for i in $(seq "$runs"); do
  measure "$build/bin/keyloom" --simulate --data-dir "$root/data" --log-level stderr >>"$root/keyloom.txt"
  stop
  measure "$build/bin/keyloom_bare_window" >>"$root/bare.txt"
  stop
done

k_ms=$(cut -d' ' -f1 "$root/keyloom.txt" | median)
b_ms=$(cut -d' ' -f1 "$root/bare.txt" | median)
k_kb=$(cut -d' ' -f2 "$root/keyloom.txt" | median)
b_kb=$(cut -d' ' -f2 "$root/bare.txt" | median)

# First runs: each on a data folder of its own that does not exist yet.
: >"$root/first.txt"
for i in 1 2 3; do
  measure "$build/bin/keyloom" --simulate --data-dir "$root/first-$i" --log-level stderr >>"$root/first.txt"
  stop
done
f_ms=$(cut -d' ' -f1 "$root/first.txt" | median)
f_kb=$(cut -d' ' -f2 "$root/first.txt" | median)

# Idle: a running keyloom on the simulated keyboard, its window shown.
measure "$build/bin/keyloom" --simulate --data-dir "$root/data" --log-level stderr >/dev/null
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
t0=$(ticks)
sleep 10
t1=$(ticks)
stop
hz=$(getconf CLK_TCK)

echo "median of $runs starts, on $(nproc) cores"
awk -v k="$k_ms" -v b="$b_ms" 'BEGIN { printf "first frame   keyloom %5d ms   bare Qt window %5d ms   ratio %.2f\n", k, b, k / b }'
awk -v k="$k_kb" -v b="$b_kb" 'BEGIN { printf "peak memory   keyloom %5.1f MiB bare Qt window %5.1f MiB ratio %.2f\n", k / 1024, b / 1024, k / b }'
awk -v k="$f_ms" -v m="$f_kb" 'BEGIN { printf "first run     keyloom %5d ms   peak memory %.1f MiB (median of 3)\n", k, m / 1024 }'
awk -v d="$((t1 - t0))" -v hz="$hz" 'BEGIN { printf "idle CPU      keyloom %d ms over 10 s (%.2f %%)\n", d * 1000 / hz, d * 100 / hz / 10 }'
