# What the benchmark scripts share; sourced from the source tree's top.

# Runs the calling script again on an X server of its own (Xvfb, screen
# WxH $1), with the script's arguments after it, unless DISPLAY names one.
on_own_x_server() {
  local screen=$1; shift
  if [ -z "${DISPLAY:-}" ] && [ -z "${INSIDE_XVFB:-}" ]; then
    exec env INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 ${screen}x24" "$0" "$@"
  fi
}

# A folder of the run's own, $root, with the runtime folder in it; removed at
# the script's end together with every job it started. $1: what the exit
# trap does first.
bench_folder() {
  root=$(mktemp -d)
  # Under set -e a failing command ends a trap: a job that has ended already must not.
  trap "${1:+$1; }"'kill -9 $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$root"' EXIT
  export XDG_RUNTIME_DIR=$root/run
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
}
