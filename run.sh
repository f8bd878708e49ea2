#!/usr/bin/env bash
# Builds keyloom and opens its window: on the keyboard when one is attached,
# on the simulated keyboard otherwise. Extra arguments go to keyloom
# (e.g. ./run.sh --log-level stderr).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target keyloom keyloomctl -j "$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); run it from a desktop session." >&2
  exit 1
fi

args=()
if devices=$(build/bin/keyloomctl devices 2>&1); then
  echo "== keyboard attached"
  echo "$devices"
else
  # A keyboard this user may not open: say how to fix it, then simulate.
  grep "No permission" <<<"$devices" >&2 || true
  echo "== no keyboard attached: keyloom runs on the simulated keyboard (wire trace: build/sim-trace.txt)"
  args=(--simulate --sim-trace build/sim-trace.txt)
fi
echo "== Ctrl+Q in the window, or build/bin/keyloom --quit, ends it and saves"
exec build/bin/keyloom "${args[@]}" "$@"
