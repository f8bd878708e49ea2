#!/usr/bin/env bash
# Round trips to keyloom's session bus service on the simulated keyboard:
# SetLayer (the window switches its mode before answering) and GetState,
# each timed many times from one client process, so that what is measured is
# the bus and keyloom, not a process start. Prints the median and the 95th
# percentile. Usage:
#   bench/dbus_latency.sh [BUILD_DIR] [CALLS]   (default build, 500)
# Runs on its own X server (Xvfb) unless one is given in DISPLAY, and always
# on a session bus of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
calls=${2:-500}
source bench/common.sh
on_own_x_server 1920x1080 "$@"
cmake --build "$build" --target keyloom >/dev/null

{ read -r DBUS_SESSION_BUS_ADDRESS; read -r bus_pid; } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS
bench_folder 'kill "$bus_pid"'
log=$root/keyloom.log
"$build/bin/keyloom" --work-dir "$build/share/keyloom/cfg" --data-dir "$root/data" --simulate \
  --log-level stderr >"$log" 2>&1 &

name=
for _ in $(seq 100); do
  name=$(sed -n 's/.*Session bus: serving //p' "$log")
  [ -n "$name" ] && grep -q "Window shown" "$log" && break
  sleep 0.1
done
[ -n "$name" ] || { echo "keyloom did not come onto the bus" >&2; tail "$log" >&2; exit 1; }

# The system Python, which has the GObject bindings (python3-gi).
/usr/bin/python3 - "$name" "$calls" <<'EOF'
import statistics, sys, time
from gi.repository import Gio, GLib

name, calls = sys.argv[1], int(sys.argv[2])
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

def call(method, args=None):
    bus.call_sync(name, "/org/keyloom/Keyloom", "org.keyloom.Keyloom1", method, args, None,
                  Gio.DBusCallFlags.NONE, 5000, None)

def timed(label, method, args_of):
    times = []
    for i in range(calls):
        start = time.perf_counter()
        call(method, args_of(i))
        times.append((time.perf_counter() - start) * 1000)
    times.sort()
    print(f"{label}: median {statistics.median(times):.2f} ms, 95th percentile "
          f"{times[int(len(times) * 0.95) - 1]:.2f} ms, max {times[-1]:.2f} ms over {calls} calls")

timed("SetLayer", "SetLayer", lambda i: GLib.Variant("(i)", (i % 3 + 1,)))
timed("GetState", "GetState", lambda i: None)
EOF
gdbus call --session -d "$name" -o /org/keyloom/Keyloom -m org.keyloom.Keyloom1.Quit >/dev/null
wait
