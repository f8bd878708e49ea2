#!/usr/bin/env bash
# How fast keyloomctl answers through a running keyloom's session bus service:
# the median wall time of each command over RUNS runs, beside the same command
# working on the files alone (no keyloom running). The apply is timed too; its
# figure includes the pauses the keyboard's protocol requires between reports.
# Usage: bench/ctl_service.sh [BUILD_DIR] [RUNS]  (default build, 21).
# Runs on its own X server (Xvfb) and its own session bus, never the user's.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-21}
if [ -z "${INSIDE_XVFB:-}" ]; then
  exec env INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- "$0" "$@"
fi
cmake --build "$build" --target keyloom keyloomctl >/dev/null

root=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; rm -rf "$root"' EXIT
export XDG_RUNTIME_DIR=$root/run
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
work=$build/share/keyloom/cfg
data=$root/data
ctl() { "$build/bin/keyloomctl" --work-dir "$work" --data-dir "$data" "$@" >/dev/null 2>&1; }

# The median milliseconds of RUNS runs of a command.
median_ms() {
  local times=()
  for _ in $(seq "$runs"); do
    local begin end
    begin=$(date +%s%N)
    "$@"
    end=$(date +%s%N)
    times+=($(((end - begin) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR] = $1} END {printf "%.1f", a[int((NR + 1) / 2)] / 1000}'
}

ctl init
ctl export-keypro "$root/table.duk"
commands=("profiles" "macros" "export-keypro $root/out.duk" "import-keypro $root/table.duk" "apply --flags 1 --simulate")
declare -A alone
for command in "${commands[@]}"; do
  # shellcheck disable=SC2086
  alone[$command]=$(median_ms ctl $command)
done

"$build/bin/keyloom" --work-dir "$work" --data-dir "$data" --simulate --hidden >"$root/keyloom.log" 2>&1 &
for _ in $(seq 100); do
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.ListNames | grep -q "org.keyloom.Keyloom" && break
  sleep 0.1
done

printf '%-34s %12s %12s\n' "command" "through (ms)" "alone (ms)"
for command in "${commands[@]}"; do
  # shellcheck disable=SC2086
  printf '%-34s %12s %12s\n' "$command" "$(median_ms ctl $command)" "${alone[$command]}"
done
