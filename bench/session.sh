#!/usr/bin/env bash
# A long session in the window on the simulated keyboard (bench/window/session_bench.cpp):
# how fast each dialog opens, the first time (when it is built) and later, and
# peak memory after the first of ROUNDS rounds of opening every dialog and
# applying, and after the last. Usage: bench/session.sh [BUILD_DIR] [ROUNDS]
# (default build, 100). Runs on its own X server (Xvfb) unless DISPLAY is set.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-100}
if [ -z "${DISPLAY:-}" ] && [ -z "${INSIDE_XVFB:-}" ]; then
  exec env INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
cmake --build "$build" --target keyloom_session_bench >/dev/null
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
XDG_RUNTIME_DIR=$runtime "$build/bin/keyloom_session_bench" "$rounds"
