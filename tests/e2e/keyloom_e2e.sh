#!/usr/bin/env bash
# End-to-end runs of the keyloom program on an X server of its own (run under
# xvfb-run) against the simulated keyboard. Usage:
#   keyloom_e2e.sh KEYLOOM KEYLOOMCTL WORK_DIR CASE
# Each case runs in a fresh data folder and runtime folder.
set -uo pipefail
keyloom=$1 ctl=$2 work=$3 case=$4

root=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; rm -rf "$root"' EXIT
data=$root/data
export XDG_RUNTIME_DIR=$root/run HOME=$root/home
mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$HOME"

fail() { echo "FAIL: $*" >&2; for f in "$root"/*.log; do [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }; done; exit 1; }
# Starts keyloom in the background, its output in $root/$1.log; the pid in $pid.
start() {
  local name=$1; shift
  "$keyloom" --work-dir "$work" --data-dir "$data" --log-level stderr "$@" >"$root/$name.log" 2>&1 &
  pid=$!
}
# Waits up to 10 s for a line matching $2 in log $1.
wait_for_line() {
  for _ in $(seq 100); do grep -q "$2" "$root/$1.log" 2>/dev/null && return 0; sleep 0.1; done
  fail "no \"$2\" in $1.log"
}
# Waits up to 10 s for process $1 to end; its exit code in $rc.
wait_for_exit() {
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || { wait "$1"; rc=$?; return 0; }; sleep 0.1; done
  fail "process $1 did not end"
}
# Waits up to 10 s for at least $3 lines matching $2 in log $1.
wait_for_lines() {
  for _ in $(seq 100); do [ "$(grep -c "$2" "$root/$1.log" 2>/dev/null)" -ge "$3" ] && return 0; sleep 0.1; done
  fail "fewer than $3 \"$2\" in $1.log"
}
# Clicks the control named $2, found where the window in log $1 says it is.
click_control() {
  wait_for_line "$1" "Control \"$2\" at "
  local x y w h
  read -r x y w h < <(grep -m1 "Control \"$2\" at " "$root/$1.log" |
    sed -E 's/.* at (-?[0-9]+),(-?[0-9]+) ([0-9]+)x([0-9]+).*/\1 \2 \3 \4/')
  xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}
# The layer (0..2) of the stored current profile.
stored_layer() {
  "$ctl" --work-dir "$work" --data-dir "$data" profiles | grep -m1 '"nLayer"' | tr -dc 0-9
}
# Waits up to 5 s for process $1 to end; its exit code in $rc.
ends_within_5s() {
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || { wait "$1"; rc=$?; return 0; }; sleep 0.1; done
  fail "process $1 still runs 5 s after it was asked to end"
}
sets_and_profiles() { "$ctl" --work-dir "$work" --data-dir "$data" profiles | grep -c '"szName"'; }
fingerprint() { (cd "$data" && sha256sum pro.dct keypro.dct && stat -c '%n %Y' pro.dct keypro.dct); }

case $case in
first_start_then_quit)
  # The first start makes one profile and fifteen key tables; --quit saves them.
  # The first-run data reaches the disk at once, not only at the end.
  start first --simulate --hidden
  wait_for_line first "Start-up: 0 profiles"
  wait_for_line first "Save 1 written"
  [ "$(sets_and_profiles)" -eq 16 ] || fail "the first-run data was not saved while running"
  "$keyloom" --data-dir "$data" --quit || fail "--quit failed"
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  [ "$(sets_and_profiles)" -eq 16 ] || fail "expected 1 profile and 15 key tables"
  "$keyloom" --data-dir "$data" --quit 2>/dev/null && fail "--quit with nothing running succeeded"
  ;;
signals_save)
  for signal in TERM INT HUP; do
    rm -rf "$data"
    start "sig$signal" --simulate --hidden
    wait_for_line "sig$signal" "Start-up:"
    kill -"$signal" "$pid"
    wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "SIG$signal: exit code $rc"
    [ -s "$data/keypro.dct" ] || fail "SIG$signal: nothing saved"
  done
  ;;
second_start_shows_the_first)
  start first --simulate --hidden
  wait_for_line first "Start-up:"
  grep -q "Window shown" "$root/first.log" && fail "a hidden start showed its window"
  "$keyloom" --data-dir "$data" --simulate || fail "the second start failed"
  wait_for_line first "Window shown"
  kill -0 "$pid" || fail "the first instance ended"
  [ "$(grep -c 'Start-up:' "$root/first.log")" -eq 1 ] || fail "a second start-up ran"
  # One per data folder: another folder gets its own instance.
  "$keyloom" --work-dir "$work" --data-dir "$root/other" --simulate --hidden >"$root/other.log" 2>&1 &
  other=$!
  sleep 1; kill -0 "$other" || fail "a keyloom on another data folder did not run"
  kill "$other" "$pid"; wait_for_exit "$other"; wait_for_exit "$pid"
  ;;
crashed_instance_leaves_nothing_blocking)
  start first --simulate --hidden
  wait_for_line first "Start-up:"
  kill -9 "$pid"; wait "$pid" 2>/dev/null
  ls "$XDG_RUNTIME_DIR"/keyloom-*.socket >/dev/null || fail "no socket left to test with"
  start second --simulate --hidden
  wait_for_line second "Start-up:"
  "$keyloom" --data-dir "$data" --quit || fail "--quit did not reach the new instance"
  wait_for_exit "$pid"
  ;;
no_keyboard_leaves_the_data_alone)
  # A shipped configuration that does not run without a keyboard.
  cp -r "$work" "$root/work"; work=$root/work
  sed -i 's/^Suwnd=.*/Suwnd=0/' "$work/cfg.txt"
  start first --simulate --hidden
  wait_for_line first "Start-up:"
  kill "$pid"; wait_for_exit "$pid"
  before=$(fingerprint)
  sleep 1.1  # a write would show in the modification time
  start unplugged --simulate --sim-unplugged
  wait_for_line unplugged "keyloom: "  # the message, also on standard error
  kill "$pid"  # the user's answer to the message box: it closes
  wait_for_exit "$pid"; [ "$rc" -eq 1 ] || fail "exit code $rc without a keyboard"
  [ "$(fingerprint)" = "$before" ] || fail "the stored files changed"
  grep -q "Start-up:" "$root/unplugged.log" && fail "start-up went on without a keyboard"
  ;;
key_assigned_in_the_window_is_written_and_saved)
  # The window at the top-left corner of the X screen: Q on the key map, W
  # typed into the function picker, its OK, then Apply.
  start first --simulate --hidden
  wait_for_line first "Start-up:"
  "$keyloom" --data-dir "$data" --quit
  wait_for_exit "$pid"
  "$ctl" --work-dir "$work" --data-dir "$data" profiles >"$root/before.json"
  start window --simulate --sim-trace "$root/trace.txt"
  wait_for_line window "Window shown"
  window=$(xdotool search --sync --onlyvisible --name '^keyloom$' | head -1)
  [ -n "$window" ] || fail "no window"
  xdotool windowfocus --sync "$window" mousemove --sync 348 469 click 1
  sleep 0.5
  xdotool key w
  sleep 0.3
  xdotool mousemove --sync 570 554 click 1
  sleep 0.3
  xdotool mousemove --sync 619 706 click 1
  for _ in $(seq 100); do grep -q "^SET 09 01" "$root/trace.txt" 2>/dev/null && break; sleep 0.1; done
  grep -q "^SET 09 01" "$root/trace.txt" || fail "no key matrix on the wire"
  "$keyloom" --data-dir "$data" --quit
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  "$ctl" --work-dir "$work" --data-dir "$data" profiles >"$root/after.json"
  # W's host code replaces Q's (12) in the table in use, and nothing else changes there.
  changes=$(diff "$root/before.json" "$root/after.json" | grep '^>' || true)
  grep -q '"VkCode1": 13' <<<"$changes" || fail "W was not stored: $changes"
  ;;
ctrl_q_quits_and_saves)
  start window --simulate
  wait_for_line window "Window shown"
  window=$(xdotool search --sync --onlyvisible --name '^keyloom$' | head -1)
  xdotool windowfocus --sync "$window" key ctrl+q
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  [ -s "$data/keypro.dct" ] || fail "nothing saved"
  ;;
unplugged_during_an_apply)
  # Apply in the window, the keyboard pulled out from its own window at once:
  # the apply fails and says so; plugged in again, the next apply goes through.
  start window --simulate --sim-trace "$root/trace.txt" --sim-delay 200
  wait_for_line window "Window shown"
  sim=$(xdotool search --sync --onlyvisible --name 'simulated keyboard' | head -1)
  eval "$(xdotool getwindowgeometry --shell "$sim")"  # X, Y of the keyboard's window
  xdotool mousemove --sync 619 706 click 1 mousemove --sync $((X + 449)) $((Y + 647)) click 1
  wait_for_line window "Apply 0x8007 failed"
  sleep 0.3
  xdotool mousemove --sync 507 476 click 1  # OK on "Update settings failed!"
  xdotool mousemove --sync $((X + 571)) $((Y + 647)) click 1  # Plug in
  wait_for_line window "DevIN"
  sleep 0.3
  xdotool mousemove --sync 619 706 click 1
  wait_for_line window "Apply 0x8007 done"
  [ "$(grep -c "Apply 0x8007 failed" "$root/window.log")" -eq 1 ] || fail "the failure was not reported once"
  "$keyloom" --data-dir "$data" --quit
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  ;;
pulled_out_when_needed_ends_and_saves)
  # A configuration that does not run without a keyboard: pulling it out ends
  # keyloom through the termination sequence, which saves.
  cp -r "$work" "$root/work"; work=$root/work
  sed -i 's/^Suwnd=.*/Suwnd=0/' "$work/cfg.txt"
  start window --simulate
  wait_for_line window "Window shown"
  sim=$(xdotool search --sync --onlyvisible --name 'simulated keyboard' | head -1)
  eval "$(xdotool getwindowgeometry --shell "$sim")"
  xdotool mousemove --sync $((X + 449)) $((Y + 647)) click 1  # Unplug
  box=$(timeout 10 xdotool search --sync --onlyvisible --name '^Warning$' | head -1)
  [ -n "$box" ] || fail "no message that the keyboard is missing"
  xdotool windowfocus --sync "$box" key Return
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  [ -s "$data/keypro.dct" ] || fail "nothing saved"
  ;;
simulated_keyboard_window)
  # With --simulate the keyboard's own window comes up with the main one; a
  # hidden start shows neither.
  start hidden --simulate --hidden
  wait_for_line hidden "Start-up:"
  xwininfo -root -tree | grep -q "simulated keyboard" && fail "a hidden start showed the keyboard window"
  kill "$pid"; wait_for_exit "$pid"
  start shown --simulate
  wait_for_line shown "Window shown"
  for _ in $(seq 50); do
    xwininfo -name "keyloom – simulated keyboard" 2>/dev/null | grep -q "IsViewable" && break
    sleep 0.1
  done
  xwininfo -name "keyloom – simulated keyboard" | grep -q "IsViewable" || fail "no simulated keyboard window"
  "$keyloom" --data-dir "$data" --quit || fail "--quit failed"
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  ;;
killed_after_a_change_keeps_it)
  # M2 clicked in the window: 3 s later the change is on disk, so a kill -9
  # loses nothing. An idle keyloom writes nothing.
  start window --simulate
  wait_for_line window "Save 1 written"  # the first-run data
  click_control window M2
  wait_for_line window "Save 2 written"
  before=$(fingerprint)
  sleep 3
  kill -9 "$pid"; wait "$pid" 2>/dev/null
  [ "$(fingerprint)" = "$before" ] || fail "an idle keyloom wrote its files"
  [ "$(grep -c "Save [0-9]* written" "$root/window.log")" -eq 2 ] || fail "more saves than changes"
  [ "$(stored_layer)" = 1 ] || fail "the layer chosen before the kill was lost"
  start again --simulate --hidden
  wait_for_line again "Start-up: 1 profiles"
  "$keyloom" --data-dir "$data" --quit || fail "--quit failed"
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  grep -q "Save [0-9]* written" "$root/again.log" && fail "a start over saved data wrote it again"
  ;;
ending_never_hangs_when_the_save_fails)
  # A FIFO where the key tables should be: keyloom says so at start, runs on,
  # and every way of ending it ends it within 5 s, saying the save failed.
  for how in TERM quit; do
    rm -rf "$data"; mkdir -p "$data"; mkfifo "$data/keypro.dct"
    start "end$how" --simulate --hidden
    wait_for_line "end$how" "keypro.dct cannot be read"
    if [ "$how" = quit ]; then
      "$keyloom" --data-dir "$data" --quit 2>"$root/quit.err" && fail "--quit said all was saved"
      grep -q "not saved" "$root/quit.err" || fail "--quit did not say why: $(cat "$root/quit.err")"
    else
      kill -"$how" "$pid"
    fi
    ends_within_5s "$pid"
    [ "$rc" -eq 1 ] || fail "$how: exit code $rc"
    grep -q "could not be saved" "$root/end$how.log" || fail "$how: the failure is not on standard error"
    [ -p "$data/keypro.dct" ] || fail "$how: the FIFO was written over"
  done
  # Running, with a save failing under an open alert: the end still comes.
  rm -rf "$data"
  start window --simulate
  wait_for_line window "Save 1 written"
  rm "$data/keypro.dct"; mkdir "$data/keypro.dct"
  click_control window M3
  wait_for_line window "save failed"
  timeout 10 xdotool search --sync --onlyvisible --name '^Warning$' >/dev/null || fail "the failed save was not told"
  kill -TERM "$pid"
  ends_within_5s "$pid"
  [ "$rc" -eq 1 ] || fail "exit code $rc after a failed save"
  ;;
keyloomctl_refuses_beside_a_running_keyloom)
  start first --simulate --hidden
  wait_for_line first "Save 1 written"
  run_ctl() { "$ctl" --work-dir "$work" --data-dir "$data" "$@"; }
  run_ctl init >/dev/null 2>"$root/refused.err" && fail "init ran beside keyloom"
  grep -q "keyloom is running on this data folder" "$root/refused.err" || fail "no reason given: $(cat "$root/refused.err")"
  run_ctl --simulate apply >/dev/null 2>&1 && fail "apply ran beside keyloom"
  run_ctl profiles >/dev/null || fail "a read-only command was refused"
  "$keyloom" --data-dir "$data" --quit || fail "--quit failed"
  wait_for_exit "$pid"
  run_ctl init >/dev/null || fail "init refused after keyloom ended"
  # A keyloom that crashed leaves a lock behind that blocks nothing.
  start crashed --simulate --hidden
  wait_for_line crashed "Start-up:"
  kill -9 "$pid"; wait "$pid" 2>/dev/null
  run_ctl init >/dev/null || fail "a crashed keyloom's lock blocked init"
  ;;
*) fail "unknown case $case" ;;
esac
exit 0
