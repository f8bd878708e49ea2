# The helpers the end-to-end scripts share. They expect $root (the test's
# folder, where each keyloom's output goes as NAME.log; case_folder makes
# one), $keyloom, $ctl, $work and $data to be set by the script that sources
# this file. The waits give up after $wait_seconds (10 unless the script
# says otherwise); the simulated keyboard's wire trace is $trace
# ($root/trace.txt unless the script says otherwise).

# A folder of the case's own, removed at the script's end together with every
# job it started and its session bus: $root, the data folder $data, and a
# runtime folder, home and preferences of the run's own, never the user's.
# $1: what the exit trap does first.
case_folder() {
  root=$(mktemp -d)
  trap "${1:+$1; }"'kill -9 $(jobs -p) 2>/dev/null; [ -f "$root/bus.pid" ] && kill "$(cat "$root/bus.pid")" 2>/dev/null; rm -rf "$root"' EXIT
  data=$root/data
  export XDG_RUNTIME_DIR=$root/run HOME=$root/home XDG_CONFIG_HOME=$root/home/.config
  unset KEYLOOM_CONFIG_DIR
  mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$HOME"
}

# The polls of a wait: ten a second for $wait_seconds.
wait_polls() { seq $((${wait_seconds:-10} * 10)); }

# Starts a session bus of the run's own, so that a run never touches the
# user's; the script's exit trap ends it (its pid is in $root/bus.pid).
own_session_bus() {
  dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$root/bus.address" 4>"$root/bus.pid" ||
    { echo "FAIL: no session bus for the run" >&2; exit 1; }
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$root/bus.address")
  export DBUS_SESSION_BUS_ADDRESS
}

fail() { echo "FAIL: $*" >&2; for f in "$root"/*.log; do [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }; done; exit 1; }
# Starts keyloom in the background, its output in $root/$1.log; the pid in $pid.
start() {
  local name=$1; shift
  "$keyloom" --work-dir "$work" --data-dir "$data" --log-level stderr "$@" >"$root/$name.log" 2>&1 &
  pid=$!
}
# The number of lines in log $1 so far: a mark, to look only at what comes after.
log_mark() { wc -l <"$root/$1.log"; }
# The lines of log $1 after its line $2 (default: all).
log_after() { tail -n +$((${2:-0} + 1)) "$root/$1.log" 2>/dev/null; }
# Waits for a line matching $2 in log $1 after its line $3 (default: anywhere).
wait_for_line() {
  # grep reads to the end (no -q), so the pipe never fails on a writer cut short
  for _ in $(wait_polls); do log_after "$1" "${3:-0}" | grep "$2" >/dev/null && return 0; sleep 0.1; done
  fail "no \"$2\" in $1.log${3:+ after line $3}"
}
# Waits for process $1 to end; its exit code in $rc.
wait_for_exit() {
  for _ in $(wait_polls); do kill -0 "$1" 2>/dev/null || { wait "$1"; rc=$?; return 0; }; sleep 0.1; done
  fail "process $1 did not end"
}
# Waits for a line matching $1 in the simulated keyboard's wire trace.
wait_for_trace() {
  for _ in $(wait_polls); do grep -q "$1" "${trace:-$root/trace.txt}" 2>/dev/null && return 0; sleep 0.1; done
  fail "no \"$1\" on the wire"
}
# The key-matrix writes on the wire so far.
key_writes() { grep -c '^SET 09 01' "${trace:-$root/trace.txt}" 2>/dev/null; }
# Waits for at least $1 key-matrix writes on the wire.
wait_for_key_writes() {
  for _ in $(wait_polls); do [ "$(key_writes)" -ge "$1" ] && return 0; sleep 0.1; done
  fail "$(key_writes) key-matrix writes on the wire, not $1"
}
run_ctl() { "$ctl" --work-dir "$work" --data-dir "$data" "$@"; }
# Ends the keyloom started last as a user would (keyloom --quit); it must end well.
quit_keyloom() {
  "$keyloom" --data-dir "$data" --quit || fail "--quit failed"
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
}
# Runs the case named $case, the function of that name, and ends the script.
run_case() {
  declare -F "$case" >/dev/null || fail "unknown case $case"
  "$case"
  exit 0
}
# A key-table exchange file $1 whose first key plays the macro "Combo".
write_exchange() {
  python3 - "$1" "$(dirname "$0")/../../fuzz/seeds/macrofile/combo.mcf" <<'PY'
import struct, sys
key = bytearray(11136)
struct.pack_into("<Ii", key, 0, 4242, 0)                # id, layer M1
key[8:15] = b"shared\0"
struct.pack_into("<I", key, 48, 5 << 24)                  # key 0: a macro
struct.pack_into("<I", key, 48 + 24, 1234)               # its macro id
macro = open(sys.argv[2], "rb").read()
open(sys.argv[1], "wb").write(bytes(key) + macro + bytes(40816 - len(key) - len(macro)))
PY
}
