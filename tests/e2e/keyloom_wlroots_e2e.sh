#!/usr/bin/env bash
# Key tables that follow the application in front on a wlroots compositor,
# end to end against the simulated keyboard: a headless sway of the case's
# own (software rendering, no input devices, no Xwayland), two bare Qt
# windows in it known by their Wayland app ids, and the focus switched
# between them with swaymsg. keyloom itself draws offscreen: only its own
# Wayland connection, for the toplevel list, goes to sway. sway refuses to
# start as root, so a run as root runs sway, the windows and keyloom as
# nobody. Usage:
#   keyloom_wlroots_e2e.sh KEYLOOM KEYLOOMCTL WORK_DIR BARE_WINDOW CASE
set -uo pipefail
keyloom=$1 ctl=$2 work=$3 bare_window=$4 case=$5

skip() { echo "SKIP: $*" >&2; exit 77; }
command -v sway >/dev/null && command -v swaymsg >/dev/null || skip "sway is not installed (scripts/deps.sh installs it)"

root=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$root"' EXIT
# What the programs of the session own: their runtime folder (mode 700, as
# libwayland wants it), home, data folder and the wire trace.
user=$root/user
run=$user/run data=$user/data trace=$user/trace.txt
mkdir -p "$user/home" "$data"
mkdir -m 700 "$run"
drop=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 711 "$root"
  chown -R nobody:nogroup "$user"
  drop=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# Runs a command as the session's user, in an environment of its own: never
# the caller's display, session bus or preferences.
session_env=(PATH="$PATH" LANG=C.UTF-8 HOME="$user/home" XDG_CONFIG_HOME="$user/home/.config"
             XDG_RUNTIME_DIR="$run" QT_QPA_PLATFORM=offscreen)
as_user() { env -i "${session_env[@]}" "${drop[@]}" "$@"; }
# The same in place of the shell: a program started with `as_user_exec ... &`
# is the background job itself, so that $! and the exit trap reach it.
as_user_exec() { exec env -i "${session_env[@]}" "${drop[@]}" "$@"; }
# A build tree the session's user cannot reach (a clone in a private folder)
# is copied where it can: the programs need nothing of it but themselves and
# the work folder.
reachable() { as_user test -x "$keyloom" -a -x "$ctl" -a -x "$bare_window" -a -r "$work/cfg.txt"; }
if ! reachable && [ "$(id -u)" -eq 0 ]; then
  programs=$user/programs
  mkdir -p "$programs"
  cp "$keyloom" "$ctl" "$bare_window" "$programs/" && cp -r "$work" "$programs/work" ||
    skip "the build tree could not be copied for the session's user"
  chown -R nobody:nogroup "$programs"
  keyloom=$programs/$(basename "$keyloom") ctl=$programs/$(basename "$ctl")
  bare_window=$programs/$(basename "$bare_window") work=$programs/work
fi
reachable || skip "the session's user ($(as_user id -un)) cannot run the programs of this build tree ($keyloom)"

source "$(dirname "$0")/common.sh"
# sway's start, and a window's, under load.
wait_seconds=30

run_ctl() { as_user "$ctl" --work-dir "$work" --data-dir "$data" "$@"; }
sway_msg() { as_user env SWAYSOCK="$swaysock" swaymsg "$@"; }

# Starts a headless sway and waits until it answers; its IPC socket in
# $swaysock, its Wayland display in the session's environment.
start_sway() {
  printf 'xwayland disable\n' >"$root/sway.conf"
  chmod 644 "$root/sway.conf"
  as_user_exec env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$root/sway.conf" >"$root/sway.log" 2>&1 &
  sway_pid=$!
  local display=""
  swaysock=""
  for _ in $(wait_polls); do
    kill -0 "$sway_pid" 2>/dev/null || { wait "$sway_pid"; skip "sway does not run headless here (exit $?): $(tail -n 5 "$root/sway.log")"; }
    display=$(cd "$run" && ls -1 wayland-* 2>/dev/null | grep -v '\.lock$' | head -n 1)
    swaysock=$(ls -1 "$run"/sway-ipc.*.sock 2>/dev/null | head -n 1)
    [ -n "$display" ] && [ -n "$swaysock" ] && sway_msg -t get_version >/dev/null 2>&1 && break
    sleep 0.1
  done
  [ -n "$display" ] && [ -n "$swaysock" ] || fail "sway did not answer"
  session_env+=(WAYLAND_DISPLAY="$display")
}
# Opens a bare Qt window with app id $1, its output in $root/$1.log, and
# waits for sway to have it.
open_window() {
  as_user_exec env QT_QPA_PLATFORM=wayland "$bare_window" --app-id "$1" >"$root/$1.log" 2>&1 &
  for _ in $(wait_polls); do
    sway_msg -t get_tree | grep "\"app_id\": \"$1\"" >/dev/null && return 0
    sleep 0.1
  done
  fail "no window of $1 in sway"
}
# The app id of the window sway has focused.
focused() {
  sway_msg -t get_tree | python3 -c '
import json, sys
def walk(node):
    if node.get("focused") and node.get("app_id"): print(node["app_id"])
    for child in node.get("nodes", []) + node.get("floating_nodes", []): walk(child)
walk(json.load(sys.stdin))'
}
focus() {
  sway_msg "[app_id=\"$1\"] focus" >/dev/null || fail "swaymsg could not focus $1"
  [ "$(focused)" = "$1" ] || fail "sway has $(focused) focused, not $1"
}

# Focuses the window of app id $1; keyloom, started as log "follow", must
# log $2 and write the key matrix once.
switches_to() {
  local writes played
  writes=$(key_writes) played=$(log_mark follow)
  focus "$1"
  wait_for_line follow "$2" "$played"
  wait_for_key_writes $((writes + 1))
  wait_for_line follow "Apply 0x[0-9a-f]* done" "$played"
  [ "$(key_writes)" -eq $((writes + 1)) ] || fail "not one key-matrix write for one switch"
}

# ---- the cases, one function each ----

wlroots_focus_switches_tables() {
  run_ctl init >/dev/null || fail "init failed"
  # The current profile plays M1_Profile1 on M1; with alpha in front M1
  # plays M1_Profile3.
  printf '# keyloom focus rules 1\nM1\tM1_Profile3\tloomtest.alpha\n' >"$data/focus_rules.txt"
  [ "$(id -u)" -ne 0 ] || chown nobody:nogroup "$data/focus_rules.txt"

  start_sway
  open_window loomtest.alpha
  open_window loomtest.beta
  focus loomtest.beta

  as_user_exec "$keyloom" --work-dir "$work" --data-dir "$data" --log-level stderr \
    --simulate --sim-trace "$trace" >"$root/follow.log" 2>&1 &
  pid=$!
  wait_for_line follow "Following the application in front: wlroots"
  wait_for_line follow "Start-up: 1 profiles"

  switches_to loomtest.alpha "M1 plays \"M1_Profile3\", following loomtest.alpha"
  switches_to loomtest.beta "M1 plays the user's key table"

  # The window in front closes: sway puts the other one in front, and the
  # user's table comes back.
  switches_to loomtest.alpha "M1 plays \"M1_Profile3\", following loomtest.alpha"
  writes=$(key_writes) played=$(log_mark follow)
  sway_msg '[app_id="loomtest.alpha"] kill' >/dev/null || fail "swaymsg could not close loomtest.alpha"
  wait_for_line follow "M1 plays the user's key table" "$played"
  wait_for_key_writes $((writes + 1))

  as_user "$keyloom" --work-dir "$work" --data-dir "$data" --quit || fail "--quit failed"
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  grep -q "connection to the Wayland compositor was lost" "$root/follow.log" && fail "the connection to sway broke"
  [ "$(key_writes)" -eq $((writes + 1)) ] || fail "$(($(key_writes) - writes)) key-matrix writes for one switch"
}

run_case
