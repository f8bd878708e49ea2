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
source bench/common.sh
on_own_x_server 1280x1024 "$@"
cmake --build "$build" --target keyloom_session_bench >/dev/null
bench_folder
"$build/bin/keyloom_session_bench" "$rounds"
