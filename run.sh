#!/usr/bin/env bash
# Builds keyloom. Without a keyboard attached it shows the whole link working
# against the simulated keyboard: creates the stored data, applies the current
# profile and sums up what went over the wire. With a keyboard it lists it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target keyloomctl -j "$(nproc)"

ctl=build/bin/keyloomctl
if devices=$("$ctl" devices 2>&1); then
  echo "== keyboard attached"
  echo "$devices"
  exit 0
fi
# A keyboard this user may not open: say how to fix it, then simulate.
grep "No permission" <<<"$devices" >&2 || true

echo "== no keyboard attached: using the simulated keyboard"
data=build/sim-data
trace=build/sim-trace.txt
"$ctl" --data-dir "$data" --simulate --sim-trace "$trace" init >/dev/null
"$ctl" --data-dir "$data" --simulate --sim-trace "$trace" apply

echo "== sent to the keyboard (wire trace: $trace)"
awk '$1 == "SET" {
  cmd = substr($3, 1, 2)
  name["01"] = "key matrix"; name["02"] = "lighting and knob"; name["03"] = "per-key colours"
  name["04"] = "macro area, part 1"; name["05"] = "macro area, part 2"; name["0a"] = "driver on line"
  printf "  command 0x%s  %s\n", cmd, (cmd in name) ? name[cmd] : "unknown"
}' "$trace"
