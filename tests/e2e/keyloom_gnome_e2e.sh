#!/usr/bin/env bash
# Key tables that follow the application in front under GNOME Shell on
# Wayland, end to end against the simulated keyboard. keyloom runs on an X
# server of its own (run under xvfb-run) but is told its session is a Wayland
# one, so the X11 source steps aside; fake_gnome_shell.py stands in for the
# Shell on a session bus of the run's own and says whether keyloom's
# extension is enabled, and then calls keyloom as the extension does. Usage:
#   keyloom_gnome_e2e.sh KEYLOOM KEYLOOMCTL WORK_DIR CASE
set -uo pipefail
keyloom=$1 ctl=$2 work=$3 case=$4

source "$(dirname "$0")/common.sh"
case_folder
own_session_bus  # never the user's bus
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb  # the window on the X server whatever the session says
shell=$(dirname "$0")/fake_gnome_shell.py

# Waits until bus name $1 has an owner.
wait_for_owner() {
  for _ in $(wait_polls); do
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
      -m org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true && return 0
    sleep 0.1
  done
  fail "$1 never appeared on the bus"
}
# The Shell, with keyloom's extension in state $1, on the bus before keyloom starts.
start_shell() {
  "$shell" serve "$1" "$root/asked.txt" >"$root/shell.log" 2>&1 &
  wait_for_owner org.gnome.Shell
  wait_for_owner org.gnome.Shell.Extensions
}
# keyloom in a Wayland session (for keyloom only: the window stays on X).
start_in_gnome() { XDG_SESSION_TYPE=wayland start gnome --simulate --hidden --sim-trace "$root/trace.txt"; }

# ---- the cases, one function each ----

gnome_extension_reports_are_followed() {
  run_ctl init >/dev/null || fail "init failed"
  printf '# keyloom focus rules 1\nM1\tM1_Profile3\torg.gnome.Nautilus\n' >"$data/focus_rules.txt"
  start_shell 1
  start_in_gnome
  wait_for_line gnome "Following the application in front: GNOME Shell extension"
  wait_for_line gnome "Start-up:"
  grep -qx "keyloom-focus@keyloom.org" "$root/asked.txt" || fail "the Shell was asked: $(cat "$root/asked.txt")"
  wait_for_line gnome "Session bus: serving org.keyloom.Keyloom"
  writes=$(key_writes)
  mark=$(log_mark gnome)

  # The call the extension makes when Files comes to the front, on every keyloom.
  "$shell" report org.gnome.Nautilus >"$root/told.txt" || fail "FocusChanged failed: $(cat "$root/told.txt")"
  grep -qx "org.keyloom.Keyloom.d[0-9a-f]*" "$root/told.txt" || fail "keyloom was not found on the bus: $(cat "$root/told.txt")"
  wait_for_line gnome 'M1 plays "M1_Profile3", following org.gnome.Nautilus' "$mark"
  wait_for_key_writes $((writes + 1))

  # No window in front: the user's table again.
  mark=$(log_mark gnome)
  "$shell" report "" >/dev/null || fail "FocusChanged \"\" failed"
  wait_for_line gnome "M1 plays the user's key table" "$mark"
  quit_keyloom
}

gnome_extension_not_enabled_says_how() {
  run_ctl init >/dev/null || fail "init failed"
  start_shell 2
  start_in_gnome
  wait_for_line gnome "GNOME Shell extension keyloom-focus@keyloom.org is not enabled: gnome-extensions enable keyloom-focus@keyloom.org"
  wait_for_line gnome "Following the application in front: not available on this desktop"
  [ "$(grep -c "keyloom-focus@keyloom.org is not enabled" "$root/gnome.log")" -eq 1 ] || fail "the hint is not logged once"
  quit_keyloom
}

run_case
