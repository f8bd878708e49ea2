#!/usr/bin/env bash
# Figures of the saves keyloom makes as the user works, on the simulated
# keyboard: for single changes (a click on M2 or M3), the time from the change
# to both files on disk, as the program logs it ("Save N written, X ms after
# the last input"); for bursts, how many saves each makes: five clicks on the
# mode buttons 150 ms apart, and a two-second drag of the brightness slider;
# and the saves of a keyloom left idle for 10 s. Usage:
#   bench/autosave.sh [BUILD_DIR] [ROUNDS]   (default build, 10)
# Runs on its own X server (Xvfb) unless one is given in DISPLAY.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-10}
source bench/common.sh
on_own_x_server 1920x1080 "$@"
cmake --build "$build" --target keyloom keyloomctl >/dev/null

bench_folder
log=$root/keyloom.log
"$build/bin/keyloom" --work-dir "$build/share/keyloom/cfg" --data-dir "$root/data" --simulate \
  --log-level stderr >"$log" 2>&1 &
pid=$!

saves() { grep -c "Save [0-9]* written" "$log" || true; }
wait_saves() {  # waits up to 10 s for at least $1 saves
  for _ in $(seq 100); do [ "$(saves)" -ge "$1" ] && return 0; sleep 0.1; done
  echo "no save $1:" >&2; tail "$log" >&2; exit 1
}
control() {  # x y w h of the named control, as the window logs it
  grep -m1 "Control \"$1\" at " "$log" | sed -E 's/.* at (-?[0-9]+),(-?[0-9]+) ([0-9]+)x([0-9]+).*/\1 \2 \3 \4/'
}
click() {
  local x y w h
  read -r x y w h < <(control "$1")
  xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}
wait_saves 1  # the first-run data
for _ in $(seq 100); do grep -q 'Control "M2"' "$log" && break; sleep 0.1; done

echo "== single changes"
for i in $(seq "$rounds"); do
  n=$(saves)
  click "M$((2 + i % 2))"
  wait_saves $((n + 1))
  sleep 0.3
done
grep "Save [0-9]* written" "$log" | tail -n "$rounds" | sed -E 's/.* ([0-9]+) ms after.*/\1/' |
  sort -n | awk '{ v[NR] = $1 } END { printf "change to disk: median %d ms, max %d ms over %d changes\n", v[int((NR + 1) / 2)], v[NR], NR }'

echo "== bursts"
burst_saves=()
for i in $(seq "$rounds"); do
  n=$(saves)
  for m in 1 2 3 1 $((2 + i % 2)); do click "M$m"; sleep 0.15; done
  sleep 3
  burst_saves+=($(($(saves) - n)))
done
echo "five clicks 150 ms apart: saves per burst ${burst_saves[*]}"
read -r x y w h < <(control "$(sed -n 's/.*<tc_adv_str2>\(.*\)<\/tc_adv_str2>.*/\1/p' "$build/share/keyloom/cfg/text/en/text.xml")")
drag_saves=()
for i in $(seq "$rounds"); do
  n=$(saves)
  # Alternately from the left end to the right and back.
  from=$((i % 2 ? x + 2 : x + w - 3)) to=$((i % 2 ? x + w - 3 : x + 2))
  xdotool mousemove --sync "$from" $((y + h / 2)) mousedown 1
  for step in $(seq 20); do xdotool mousemove --sync $((from + (to - from) * step / 20)) $((y + h / 2)); sleep 0.1; done
  xdotool mouseup 1
  sleep 3
  drag_saves+=($(($(saves) - n)))
done
echo "two-second slider drag: saves per drag ${drag_saves[*]}"

echo "== idle"
n=$(saves)
sleep 10
echo "saves over 10 s idle: $(($(saves) - n))"
kill "$pid"; wait "$pid" 2>/dev/null || true
