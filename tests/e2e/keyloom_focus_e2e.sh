#!/usr/bin/env bash
# Key tables that follow the application in front, end to end on an X server
# of their own (run under xvfb-run) against the simulated keyboard. There is
# no window manager: the windows come from keyloom_focus_windows (each with a
# WM_CLASS, as an application sets it) and the script puts one in front by
# setting the root window's _NET_ACTIVE_WINDOW itself. Usage:
#   keyloom_focus_e2e.sh KEYLOOM KEYLOOMCTL WORK_DIR FOCUS_WINDOWS CASE
set -uo pipefail
keyloom=$1 ctl=$2 work=$3 focus_windows=$4 case=$5

source "$(dirname "$0")/common.sh"
case_folder 'exec 3>&-'
own_session_bus
# An X11 session, whichever session the tests are started from.
unset WAYLAND_DISPLAY
export XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb

stored() { (cd "$data" && sha256sum pro.dct keypro.dct focus_rules.txt); }

# Starts keyloom_focus_windows with the INSTANCE CLASS pairs given; the ids
# of its windows in $windows, in order. Each line written to fd 3 puts the
# windows it names in front in turn, in one go (see focus_windows.cpp).
start_windows() {
  mkfifo "$root/front"
  "$focus_windows" "$@" <"$root/front" >"$root/windows.log" 2>&1 &
  exec 3>"$root/front"
  for _ in $(wait_polls); do [ "$(grep -c '^0x' "$root/windows.log")" -eq $(($# / 2)) ] && break; sleep 0.1; done
  mapfile -t windows < <(grep '^0x' "$root/windows.log")
  [ "${#windows[@]}" -eq $(($# / 2)) ] || fail "no windows: $(cat "$root/windows.log")"
}
# Puts the windows $@ in front one after another, within microseconds, as
# Alt+Tab through them would; returns once the X server has them all.
alt_tab() {
  local done
  done=$(grep -c '^in front' "$root/windows.log")
  echo "$*" >&3
  for _ in $(wait_polls); do [ "$(grep -c '^in front' "$root/windows.log")" -gt "$done" ] && return 0; sleep 0.1; done
  fail "the windows were not put in front: $(cat "$root/windows.log")"
}

# ---- the cases, one function each ----

ruled_window_in_front_plays_its_table() {
  run_ctl init >/dev/null || fail "init failed"
  # The user's table of M1 gets a macro on its first key, so that it and the
  # ruled table differ on the wire.
  write_exchange "$root/user.duk"
  run_ctl import-keypro "$root/user.duk" >/dev/null || fail "import failed"
  # How the user's table of M1 goes over the wire.
  run_ctl --simulate --sim-trace "$root/user-trace.txt" apply --flags 1 >/dev/null || fail "apply failed"
  user_keys=$(grep '^SET 09 01' "$root/user-trace.txt")
  [ "$(grep -c . <<<"$user_keys")" -eq 1 ] || fail "not one key-matrix write for the user's table"
  # A key table of M1 other than the one the current profile plays there.
  table=$(run_ctl profiles | python3 -c '
import json, sys
data = json.load(sys.stdin)
profile = next(p for p in data["profiles"] if p["dwID"] == data["currentProfile"])
print(next(k["szName"] for k in data["keyPros"] if k["nLayer"] == 0 and k["dwID"] != profile["dwKeyProID"][0]))')
  [ -n "$table" ] || fail "no second key table of M1"
  printf '# keyloom focus rules 1\nM1\t%s\tDota2\nM1\t%s\tscratch*\n' "$table" "$table" >"$data/focus_rules.txt"
  # A start over stored data writes nothing back: what is stored now stays.
  before=$(stored)

  # An application is known by its class (the second string): the rule names
  # Dota2, which the instance steam would not match. scratchpad has no class
  # and is known by its instance, which the second rule matches.
  start_windows steam Dota2 gedit Gedit scratchpad ""
  dota=${windows[0]} gedit=${windows[1]} scratchpad=${windows[2]}
  start follow --simulate --hidden --sim-trace "$root/trace.txt"
  wait_for_line follow "Following the application in front: X11"
  wait_for_line follow "Start-up: 1 profiles"
  writes=$(key_writes)
  played=$(log_mark follow)

  # By hand, as a user would with xprop: it can only say CARDINAL where a
  # window manager says WINDOW, and keyloom takes either.
  xprop -root -f _NET_ACTIVE_WINDOW 32x -set _NET_ACTIVE_WINDOW "$dota" || fail "xprop failed"
  [ "$(xprop -root _NET_ACTIVE_WINDOW | grep -o '[0-9]*$')" = "$((dota))" ] || fail "the active window was not set"
  wait_for_line follow "M1 plays \"$table\", following Dota2" "$played"
  wait_for_key_writes $((writes + 1))
  wait_for_line follow "Apply 0x[0-9a-f]* done" "$played"
  [ "$(key_writes)" -eq $((writes + 1)) ] || fail "not one key-matrix write for one switch"
  [ "$(grep '^SET 09 01' "$root/trace.txt" | tail -n 1)" != "$user_keys" ] || fail "the user's table was written"

  # Alt+Tab through several windows, ending on one without a rule: the
  # user's table comes back in one write, not one per window passed.
  writes=$(key_writes)
  passed=$(log_mark follow)
  alt_tab "$gedit" "$dota" "$scratchpad" "$dota" "$gedit"
  wait_for_line follow "M1 plays the user's key table" "$passed"
  wait_for_key_writes $((writes + 1))
  # Watched, not waited on: three times the 300 ms a focus must stay, in
  # which a queue of switches would show.
  sleep 1
  [ "$(key_writes)" -eq $((writes + 1)) ] || fail "$(($(key_writes) - writes)) key-matrix writes for one Alt+Tab"
  [ "$(grep '^SET 09 01' "$root/trace.txt" | tail -n 1)" = "$user_keys" ] || fail "the user's table did not come back"
  [ "$(log_after follow "$passed" | grep -c "M1 plays")" -eq 1 ] || fail "more than one switch for one Alt+Tab"

  # A window without a class, known by its instance.
  writes=$(key_writes)
  played=$(log_mark follow)
  alt_tab "$scratchpad"
  wait_for_line follow "M1 plays \"$table\", following scratch" "$played"
  wait_for_key_writes $((writes + 1))
  quit_keyloom
  [ "$(key_writes)" -eq $((writes + 1)) ] || fail "not one key-matrix write for one switch"
  # The switches were played, never stored.
  [ "$(stored)" = "$before" ] || fail "following changed the stored files"
}

the_keyboards_own_layer_switch_plays_that_layers_followed_table() {
  # Only M2 has a rule: with its application in front nothing is written
  # while the keyboard is on M1. The keyboard's own M2 button then switches
  # the layer, and keyloom writes the table M2 follows; back on M1, whose
  # table the keyboard already holds, nothing more is written.
  run_ctl init >/dev/null || fail "init failed"
  table=$(run_ctl profiles | python3 -c '
import json, sys
data = json.load(sys.stdin)
profile = next(p for p in data["profiles"] if p["dwID"] == data["currentProfile"])
print(next(k["szName"] for k in data["keyPros"] if k["nLayer"] == 1 and k["dwID"] != profile["dwKeyProID"][1]))')
  [ -n "$table" ] || fail "no second key table of M2"
  printf '# keyloom focus rules 1\nM2\t%s\tDota2\n' "$table" >"$data/focus_rules.txt"
  start_windows steam Dota2
  mkfifo "$root/keys"
  start follow --simulate --hidden --sim-trace "$root/trace.txt" --sim-input "$root/keys"
  wait_for_line follow "Following the application in front: X11"
  wait_for_line follow "Start-up: 1 profiles"
  exec 4>"$root/keys"
  writes=$(key_writes)
  played=$(log_mark follow)
  alt_tab "${windows[0]}"
  # Watched, not waited on: a write for M1 would come 300 ms after the focus.
  sleep 1
  [ "$(key_writes)" -eq "$writes" ] || fail "a key table was written for a layer without a rule"
  echo "layer 2" >&4
  wait_for_line follow "M2 plays \"$table\", following Dota2" "$played"
  wait_for_key_writes $((writes + 1))
  played=$(log_mark follow)
  echo "layer 1" >&4
  sleep 1
  [ "$(key_writes)" -eq $((writes + 1)) ] || fail "M1's own table was written again"
  log_after follow "$played" | grep -q "plays" && fail "a switch back to M1 played a table: $(log_after follow "$played")"
  exec 4>&-
  quit_keyloom
}

rules_edited_beside_a_running_keyloom_are_followed_at_once() {
  # keyloomctl edits the rules through the running keyloom, which follows
  # each edit at once and writes the rules file itself.
  run_ctl init >/dev/null || fail "init failed"
  start_windows steam Dota2
  start follow --simulate --hidden --sim-trace "$root/trace.txt"
  wait_for_line follow "Following the application in front: X11"
  wait_for_line follow "Session bus: serving"
  alt_tab "${windows[0]}"
  writes=$(key_writes) played=$(log_mark follow)

  out=$(run_ctl rules add --layer 1 --table M1_Profile3 --app Dota2) || fail "rules add failed"
  [ "$out" = "$(printf '1\tM1\tM1_Profile3\tDota2')" ] || fail "rules add said: $out"
  wait_for_line follow 'M1 plays "M1_Profile3", following Dota2' "$played"
  wait_for_key_writes $((writes + 1))
  [ "$(run_ctl rules | tail -n 1)" = "following: on (X11), M1 plays M1_Profile3 for Dota2" ] ||
    fail "rules said: $(run_ctl rules)"
  err=$(run_ctl rules add --layer 1 --table M1_Profile2 --app dota2 2>&1 >/dev/null) &&
    fail "a second rule of M1 for Dota2 was taken"
  [ "$err" = "this application already has a rule for this layer" ] || fail "refused with: $err"
  [ "$(cat "$data/focus_rules.txt")" = "$(printf '# keyloom focus rules 1\nM1\tM1_Profile3\tDota2')" ] ||
    fail "the rules file holds: $(cat "$data/focus_rules.txt")"

  played=$(log_mark follow)
  run_ctl rules remove 1 >/dev/null || fail "rules remove failed"
  wait_for_line follow "M1 plays the user's key table" "$played"
  wait_for_key_writes $((writes + 2))
  [ "$(cat "$data/focus_rules.txt")" = "# keyloom focus rules 1" ] || fail "the rules file holds: $(cat "$data/focus_rules.txt")"
  quit_keyloom
}

wayland_session_offers_no_x11_following() {
  # Through XWayland keyloom would see only X clients: it says following is
  # not available rather than follow those alone.
  run_ctl init >/dev/null || fail "init failed"
  WAYLAND_DISPLAY=wayland-keyloom-test start wayland --simulate --hidden
  wait_for_line wayland "Following the application in front: not available on this desktop"
  grep -q "Following the application in front: X11" "$root/wayland.log" && fail "X11 following under Wayland"
  # Neither KWin nor GNOME Shell is on the bus: there is nothing to say of them.
  grep -E "^(KWin|GNOME Shell)" "$root/wayland.log" && fail "a desktop that is not there was reported on"
  quit_keyloom
}

run_case
