#!/usr/bin/env bash
# Runs a command as a client of a headless Weston of its own: a real Wayland
# compositor that places pop-ups relative to their parent windows, with no
# screen and no input devices. The command finds it through WAYLAND_DISPLAY
# and runs on Qt's Wayland platform. Exits with the command's status.
set -euo pipefail

runtime=$(mktemp -d)
chmod 700 "$runtime"
socket=keyloom-weston
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --use-pixman --socket="$socket" --width=2560 --height=1440 \
  --idle-time=0 --no-config >"$runtime/weston.log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null || true; wait "$weston_pid" 2>/dev/null || true; rm -rf "$runtime"' EXIT

# Weston is ready when its socket is there.
for _ in $(seq 200); do
  [ -S "$runtime/$socket" ] && break
  if ! kill -0 "$weston_pid" 2>/dev/null; then
    echo "weston did not start:" >&2
    cat "$runtime/weston.log" >&2
    exit 1
  fi
  sleep 0.05
done
[ -S "$runtime/$socket" ] || { echo "weston opened no socket" >&2; exit 1; }

env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland \
  KEYLOOM_TEST_PLATFORM=wayland "$@"
