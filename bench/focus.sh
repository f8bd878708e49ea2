#!/usr/bin/env bash
# Time from a focus change to the first key-matrix report on the wire, when
# the application put in front has a rule: the 300 ms keyloom waits for the
# focus to stay, the key table taken, and its write to the simulated
# keyboard. Windows of two applications (one with a rule, one without) are
# put in front in turn through the root window's _NET_ACTIVE_WINDOW, as a
# window manager does; each switch is timed from the property write to the
# first "SET 09 01" line of the wire trace. Prints the median, minimum and
# maximum. Usage: bench/focus.sh [BUILD_DIR] [SWITCHES]   (default build, 20)
# Runs on its own X server (Xvfb) unless one is given in DISPLAY.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
switches=${2:-20}
source bench/common.sh
on_own_x_server 1920x1080 "$@"
cmake --build "$build" --target keyloom keyloomctl keyloom_focus_windows >/dev/null

bench_folder
unset WAYLAND_DISPLAY
export XDG_SESSION_TYPE=x11

"$build/bin/keyloomctl" --data-dir "$root/data" init >/dev/null
printf '# keyloom focus rules 1\nM1\tM1_Profile3\tGame\n' >"$root/data/focus_rules.txt"

mkfifo "$root/front"
"$build/bin/keyloom_focus_windows" game Game other Other <"$root/front" >"$root/windows.log" 2>&1 &
exec 3>"$root/front"
"$build/bin/keyloom" --work-dir "$build/share/keyloom/cfg" --data-dir "$root/data" --simulate \
  --sim-trace "$root/trace" --log-level stderr >"$root/keyloom.log" 2>&1 &
for _ in $(seq 200); do
  grep -q "Following the application in front" "$root/keyloom.log" && [ "$(wc -l <"$root/windows.log")" -ge 2 ] && break
  sleep 0.05
done
grep -q "Following the application in front: X11" "$root/keyloom.log" ||
  { echo "keyloom does not follow X11 here:" >&2; tail "$root/keyloom.log" >&2; exit 1; }

/usr/bin/python3 - "$root" "$switches" <<'PY'
import os, statistics, sys, time
root, switches = sys.argv[1], int(sys.argv[2])
ids = [line.strip() for line in open(f"{root}/windows.log") if line.startswith("0x")]
fifo = open(f"{root}/front", "w")

def writes():
    try:
        with open(f"{root}/trace") as trace:
            return sum(1 for line in trace if line.startswith("SET 09 01"))
    except FileNotFoundError:
        return 0

times = []
for i in range(switches):
    before = writes()
    start = time.perf_counter()
    fifo.write(ids[i % 2] + "\n")
    fifo.flush()
    while writes() == before:
        if time.perf_counter() - start > 5:
            sys.exit(f"no key-matrix write within 5 s of switch {i + 1}")
        time.sleep(0.001)
    times.append((time.perf_counter() - start) * 1000)
    time.sleep(0.2)  # the trace settles before the next switch
times.sort()
print(f"focus change to the first key-matrix report: median {statistics.median(times):.0f} ms, "
      f"min {times[0]:.0f} ms, max {times[-1]:.0f} ms over {switches} switches "
      f"(of which 300 ms is the wait for the focus to stay)")
PY
exec 3>&-
"$build/bin/keyloom" --data-dir "$root/data" --quit >/dev/null 2>&1 || true
