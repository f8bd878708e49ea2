#!/usr/bin/env bash
# End-to-end runs of the keyloom program on an X server of its own (run under
# xvfb-run) against the simulated keyboard. Usage:
#   keyloom_e2e.sh KEYLOOM KEYLOOMCTL WORK_DIR CASE
# Each case runs in a fresh data folder and runtime folder.
set -uo pipefail
keyloom=$1 ctl=$2 work=$3 case=$4

source "$(dirname "$0")/common.sh"
case_folder
own_session_bus

# Waits up to 10 s for at least $3 lines matching $2 in log $1.
wait_for_lines() {
  for _ in $(wait_polls); do [ "$(grep -c "$2" "$root/$1.log" 2>/dev/null)" -ge "$3" ] && return 0; sleep 0.1; done
  fail "fewer than $3 \"$2\" in $1.log"
}
# keyloom logs where each named thing is on the screen once it is there:
#   Control "<name>" at X,Y WxH   (every named control of every window, as it is painted)
#   Key "<name>" at X,Y WxH       (each key of the key map)
# Waits up to 10 s for log $1 to place $2 ('Control "OK"', 'Key "Q"') after its
# line $3 (default: anywhere); the latest place in x, y, w, h.
wait_for_place() {
  local line
  for _ in $(wait_polls); do
    line=$(log_after "$1" "${3:-0}" | grep -F "$2 at " | tail -n 1)
    if [ -n "$line" ]; then
      read -r x y w h < <(sed -E 's/.* at (-?[0-9]+),(-?[0-9]+) ([0-9]+)x([0-9]+).*/\1 \2 \3 \4/' <<<"$line")
      return 0
    fi
    sleep 0.1
  done
  fail "$1.log never placed $2${3:+ after line $3}"
}
# Clicks the centre of what log $1 places as $2, after its line $3 (see wait_for_place).
click_placed() {
  local x y w h
  wait_for_place "$@"
  xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}
# Clicks the control named $2 of a window of log $1, as placed after its line $3.
click_control() { click_placed "$1" "Control \"$2\"" "${3:-0}"; }
# Clicks the key named $2 on the key map of log $1.
click_key() { click_placed "$1" "Key \"$2\"" 0; }
# The layer (0..2) of the stored current profile.
stored_layer() {
  run_ctl profiles | grep -m1 '"nLayer"' | tr -dc 0-9
}
# Waits up to 5 s for process $1 to end; its exit code in $rc.
ends_within_5s() {
  for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || { wait "$1"; rc=$?; return 0; }; sleep 0.1; done
  fail "process $1 still runs 5 s after it was asked to end"
}
sets_and_profiles() { run_ctl profiles | grep -c '"szName"'; }
fingerprint() { (cd "$data" && sha256sum pro.dct keypro.dct && stat -c '%n %Y' pro.dct keypro.dct); }

# A tray host and notification server on the case's bus (tests/e2e/fake_desktop.py,
# with the system's Python, which has python3-dbus and python3-gi),
# logging to desktop.log; with --no-tray only the notification server.
desktop_tool() { /usr/bin/python3 "$(dirname "$0")/fake_desktop.py" "$@"; }
start_desktop() {
  # The cases read the menu, the tooltip and the notifications in English.
  mkdir -p "$HOME/.config/keyloom" && printf '[keyloom]\nlanguage=en\n' >"$HOME/.config/keyloom/preferences.ini"
  desktop_tool serve "$root/desktop.log" "$@" &
  wait_for_line desktop '"event": "ready"'
}
# Waits up to 10 s for the tray item's menu to have a line matching $1
# ("<id> x|- <label>", x for a ticked item).
wait_for_menu() {
  for _ in $(wait_polls); do desktop_tool menu 2>/dev/null | grep -P "$1" >/dev/null && return 0; sleep 0.1; done
  fail "the tray menu never had \"$1\": $(desktop_tool menu 2>&1)"
}
# Waits up to 10 s for the tray item's tooltip to say $1.
wait_for_tooltip() {
  for _ in $(wait_polls); do desktop_tool tooltip 2>/dev/null | grep -F "$1" >/dev/null && return 0; sleep 0.1; done
  fail "the tooltip never said \"$1\": $(desktop_tool tooltip 2>&1)"
}

# ---- the cases, one function each ----

first_start_then_quit() {
  # The first start makes one profile and fifteen key tables; --quit saves them.
  # The first-run data reaches the disk at once, not only at the end.
  start first --simulate --hidden
  wait_for_line first "Start-up: 0 profiles"
  wait_for_line first "Save 1 written"
  [ "$(sets_and_profiles)" -eq 16 ] || fail "the first-run data was not saved while running"
  quit_keyloom
  [ "$(sets_and_profiles)" -eq 16 ] || fail "expected 1 profile and 15 key tables"
  "$keyloom" --data-dir "$data" --quit 2>/dev/null && fail "--quit with nothing running succeeded"
}

signals_save() {
  for signal in TERM INT HUP; do
    rm -rf "$data"
    start "sig$signal" --simulate --hidden
    wait_for_line "sig$signal" "Start-up:"
    kill -"$signal" "$pid"
    wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "SIG$signal: exit code $rc"
    [ -s "$data/keypro.dct" ] || fail "SIG$signal: nothing saved"
  done
}

second_start_shows_the_first() {
  start first --simulate --hidden
  wait_for_line first "Start-up:"
  grep -q "Window shown" "$root/first.log" && fail "a hidden start showed its window"
  "$keyloom" --data-dir "$data" --simulate || fail "the second start failed"
  wait_for_line first "Window shown"
  kill -0 "$pid" || fail "the first instance ended"
  [ "$(grep -c 'Start-up:' "$root/first.log")" -eq 1 ] || fail "a second start-up ran"
  # One per data folder: another folder gets its own instance.
  "$keyloom" --work-dir "$work" --data-dir "$root/other" --log-level stderr --simulate --hidden >"$root/other.log" 2>&1 &
  other=$!
  wait_for_line other "Start-up:"
  kill -0 "$other" || fail "a keyloom on another data folder did not run"
  kill "$other" "$pid"; wait_for_exit "$other"; wait_for_exit "$pid"
}

crashed_instance_leaves_nothing_blocking() {
  start first --simulate --hidden
  wait_for_line first "Start-up:"
  kill -9 "$pid"; wait "$pid" 2>/dev/null
  ls "$XDG_RUNTIME_DIR"/keyloom-*.socket >/dev/null || fail "no socket left to test with"
  start second --simulate --hidden
  wait_for_line second "Start-up:"
  "$keyloom" --data-dir "$data" --quit || fail "--quit did not reach the new instance"
  wait_for_exit "$pid"
}

no_keyboard_leaves_the_data_alone() {
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
}

key_assigned_in_the_window_is_written_and_saved() {
  # Q on the key map, W typed into the function picker, its OK, then Apply.
  start first --simulate --hidden
  wait_for_line first "Start-up:"
  "$keyloom" --data-dir "$data" --quit
  wait_for_exit "$pid"
  run_ctl profiles >"$root/before.json"
  start window --simulate --sim-trace "$root/trace.txt"
  wait_for_line window "Window shown"
  window=$(xdotool search --sync --onlyvisible --name '^keyloom( — .*)?$' | head -1)
  [ -n "$window" ] || fail "no window"
  xdotool windowfocus --sync "$window"
  opened=$(log_mark window)
  click_key window Q
  wait_for_place window 'Control "OK"' "$opened"  # the picker's, on the screen
  xdotool key w
  wait_for_line window "keyDown, " "$opened"
  click_control window OK "$opened"
  wait_for_line window "SET Key\[" "$opened"
  click_control window Apply
  wait_for_trace "^SET 09 01"
  "$keyloom" --data-dir "$data" --quit
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  run_ctl profiles >"$root/after.json"
  # W's host code replaces Q's (12) in the table in use, and nothing else changes there.
  changes=$(diff "$root/before.json" "$root/after.json" | grep '^>' || true)
  grep -q '"VkCode1": 13' <<<"$changes" || fail "W was not stored: $changes"
}

ctrl_q_quits_and_saves() {
  start window --simulate
  wait_for_line window "Window shown"
  window=$(xdotool search --sync --onlyvisible --name '^keyloom( — .*)?$' | head -1)
  xdotool windowfocus --sync "$window" key ctrl+q
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  [ -s "$data/keypro.dct" ] || fail "nothing saved"
}

unplugged_during_an_apply() {
  # Apply in the window, the keyboard pulled out from its own window at once:
  # the apply fails and says so; plugged in again, the next apply goes through.
  start window --simulate --sim-trace "$root/trace.txt" --sim-delay 200
  wait_for_line window "Window shown"
  wait_for_place window 'Control "Unplug the keyboard"'  # the keyboard's window is on the screen
  applied=$(log_mark window)
  click_control window Apply
  click_control window "Unplug the keyboard"
  wait_for_line window "Apply 0x8007 failed"
  click_control window OK "$applied"  # on "Update settings failed!"
  plugged=$(log_mark window)
  click_control window "Plug the keyboard in"
  wait_for_line window "DevIN: Find OK" "$plugged"
  click_control window Apply
  wait_for_line window "Apply 0x8007 done"
  [ "$(grep -c "Apply 0x8007 failed" "$root/window.log")" -eq 1 ] || fail "the failure was not reported once"
  "$keyloom" --data-dir "$data" --quit
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
}

pulled_out_when_needed_ends_and_saves() {
  # A configuration that does not run without a keyboard: pulling it out ends
  # keyloom through the termination sequence, which saves.
  cp -r "$work" "$root/work"; work=$root/work
  sed -i 's/^Suwnd=.*/Suwnd=0/' "$work/cfg.txt"
  start window --simulate
  wait_for_line window "Window shown"
  unplugged=$(log_mark window)
  click_control window "Unplug the keyboard"
  wait_for_line window "Alert: " "$unplugged"  # told in the window's own dialog
  click_control window OK "$unplugged"
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  [ -s "$data/keypro.dct" ] || fail "nothing saved"
}

simulated_keyboard_window() {
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
  quit_keyloom
}

killed_after_a_change_keeps_it() {
  # M2 clicked in the window: 3 s later the change is on disk, so a kill -9
  # loses nothing. An idle keyloom writes nothing.
  start window --simulate
  wait_for_line window "Save 1 written"  # the first-run data
  click_control window M2
  wait_for_line window "Save 2 written"
  before=$(fingerprint)
  # Watched, not waited on: longer than the longest delay of a save (2 s), in
  # which an idle keyloom must write nothing.
  sleep 3
  kill -9 "$pid"; wait "$pid" 2>/dev/null
  [ "$(fingerprint)" = "$before" ] || fail "an idle keyloom wrote its files"
  [ "$(grep -c "Save [0-9]* written" "$root/window.log")" -eq 2 ] || fail "more saves than changes"
  [ "$(stored_layer)" = 1 ] || fail "the layer chosen before the kill was lost"
  start again --simulate --hidden
  wait_for_line again "Start-up: 1 profiles"
  quit_keyloom
  grep -q "Save [0-9]* written" "$root/again.log" && fail "a start over saved data wrote it again"
}

ending_never_hangs_when_the_save_fails() {
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
  failed=$(log_mark window)
  click_control window M3
  wait_for_line window "save failed" "$failed"
  wait_for_line window "Alert: " "$failed"
  wait_for_place window 'Control "OK"' "$failed"  # the window's dialog is on the screen
  kill -TERM "$pid"
  ends_within_5s "$pid"
  [ "$rc" -eq 1 ] || fail "exit code $rc after a failed save"
}

# The bus name of the keyloom on the run's data folder, from its lock file's name.
bus_name() {
  local lock
  lock=$(basename "$(ls "$XDG_RUNTIME_DIR"/keyloom-*.lock | head -n 1)" .lock)
  echo "org.keyloom.Keyloom.d${lock#keyloom-}"
}
# Waits up to 10 s for the keyloom on the data folder to be on the session bus.
wait_for_bus() {
  for _ in $(wait_polls); do
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
      --method org.freedesktop.DBus.NameHasOwner "$(bus_name 2>/dev/null)" 2>/dev/null | grep -q true && return 0
    sleep 0.1
  done
  fail "keyloom never came onto the session bus"
}

keyloomctl_goes_through_a_running_keyloom() {
  start first --simulate --hidden --sim-trace "$root/trace.txt"
  wait_for_line first "Save 1 written"
  wait_for_bus
  # An import beside the window goes into the window's data: its next save keeps it.
  write_exchange "$root/shared.duk"
  (cd "$root" && run_ctl import-keypro shared.duk) >"$root/import.json" 2>"$root/import.err" ||
    fail "import beside keyloom failed: $(cat "$root/import.err")"
  grep -q '"keysTaken": true' "$root/import.json" || fail "the import took no keys: $(cat "$root/import.json")"
  grep -q "\"file\": \"$root/shared.duk\"" "$root/import.json" || fail "the file was not named in full"
  # What the read-only commands see is what the window holds, before any save.
  # grep reads to the end (no -q): keyloomctl never writes into a closed pipe, which pipefail counts
  run_ctl profiles | grep '"text": ".*Combo' >/dev/null || fail "profiles does not show the imported key"
  run_ctl macros | grep '"name": "Combo"' >/dev/null || fail "macros does not show the imported macro"
  # An apply goes to the running keyloom's keyboard.
  : >"$root/trace.txt"
  run_ctl apply --flags 8001 >"$root/apply.out" 2>"$root/apply.err" || fail "apply failed: $(cat "$root/apply.err")"
  grep -q "^progress 100" "$root/apply.out" || fail "no progress from the running apply: $(cat "$root/apply.out")"
  wait_for_trace "^SET 09"
  run_ctl init >"$root/init.json" || fail "init beside keyloom failed"
  grep -q '"saved": true' "$root/init.json" || fail "init did not save"
  "$keyloom" --data-dir "$data" --quit || fail "--quit failed"
  wait_for_exit "$pid"
  run_ctl profiles | grep '"text": ".*Combo' >/dev/null || fail "the import was lost when keyloom ended"
}

keyloomctl_refuses_beside_a_keyloom_it_cannot_reach() {
  # Neither program has a session bus: keyloomctl cannot hand its work over.
  unset DBUS_SESSION_BUS_ADDRESS
  start first --simulate --hidden
  wait_for_line first "Save 1 written"
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
}

tray_menu_follows_and_switches() {
  # The icon registers with the tray host; its menu shows M1..M3 with the
  # current one ticked and that layer's key tables; its items act.
  start_desktop
  start tray --simulate --hidden
  wait_for_line desktop '"event": "register"'
  wait_for_menu '^\d+\tx\tM1$'
  desktop_tool menu >"$root/menu.txt"
  grep -qP '^\d+\t-\tM2$' "$root/menu.txt" && grep -qP '^\d+\t-\tM3$' "$root/menu.txt" || fail "no M2, M3"
  for caption in "Show keyloom" "Apply" "Notifications" "Quit keyloom"; do
    grep -qP "\t$caption\$" "$root/menu.txt" || fail "no \"$caption\" in the menu"
  done
  # The key tables sit between the layers and Apply; one is ticked.
  tables=$(sed -n '/\tM3$/,/\tApply$/p' "$root/menu.txt" | sed '1d;$d')
  [ "$(grep -c . <<<"$tables")" -ge 2 ] || fail "fewer than two key tables: $tables"
  [ "$(grep -c $'\tx\t' <<<"$tables")" -eq 1 ] || fail "not one ticked key table: $tables"
  grep -qP '\tM1_Profile1$' <<<"$tables" || fail "a table's name is not shown as it is: $tables"
  wait_for_tooltip "Simulated keyboard"
  [ -n "$(desktop_tool icon | tr -d "\n")" ] || fail "the item has neither an icon name nor a picture"

  desktop_tool click M2 || fail "clicking M2 failed"
  wait_for_menu '^\d+\tx\tM2$'
  wait_for_tooltip "M2 – key table "
  # Another table of M2, chosen from the menu, is played and ticked.
  other=$(desktop_tool menu | sed -n '/\tM3$/,/\tApply$/p' | sed '1d;$d' | grep -P '\t-\t' | head -n 1 | cut -f3)
  [ -n "$other" ] || fail "no other key table of M2"
  desktop_tool click "$other" || fail "clicking $other failed"
  wait_for_menu "^\\d+\\tx\\t\\Q$other\\E\$"
  wait_for_tooltip "M2 – key table $other"
  grep -q "Window shown" "$root/tray.log" && fail "the menu showed the window"
  # Following the application in front is on, and turned off from the menu.
  wait_for_menu '^\d+\tx\tFollow the application in front$'
  desktop_tool click "Follow the application in front" || fail "clicking the follow item failed"
  wait_for_line tray "Following the application in front turned off"
  wait_for_menu '^\d+\t-\tFollow the application in front$'
  desktop_tool click "Show keyloom"
  wait_for_line tray "Window shown"
  desktop_tool click "Quit keyloom"
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc after Quit"
  [ "$(stored_layer)" = 1 ] || fail "the layer chosen in the tray was not kept"
}

notifications_while_hidden() {
  # A layer switched and the keyboard pulled out are told while the window is
  # hidden, each kind replacing its own; turned off in the menu, none.
  start_desktop
  mkfifo "$root/keys"
  start hidden --simulate --hidden --sim-input "$root/keys"
  wait_for_line desktop '"event": "register"'
  echo "layer 2" >"$root/keys"
  wait_for_line desktop '"summary": "M2 – key table '
  note=$(grep -m1 '"event": "notify"' "$root/desktop.log")
  for part in '"app_name": "keyloom"' '"app_icon": "org.keyloom.Keyloom"' '"desktop-entry": "org.keyloom.Keyloom"' \
              '"replaces_id": 0'; do
    grep -qF "$part" <<<"$note" || fail "the notification lacks $part: $note"
  done
  first_id=$(sed -E 's/.*"id": ([0-9]+).*/\1/' <<<"$note")
  echo "layer 3" >"$root/keys"
  wait_for_line desktop '"summary": "M3 – key table '
  grep -F '"summary": "M3' "$root/desktop.log" | grep -F "\"replaces_id\": $first_id" >/dev/null ||
    fail "the second layer switch did not replace the first"
  # An apply that fails says why; so does one refused without a keyboard.
  echo "fail 3" >"$root/keys"  # a transfer and its retries
  desktop_tool click Apply || fail "clicking Apply failed"
  wait_for_line desktop '"summary": "The settings could not be written to the keyboard", "body": ".'
  echo "unplug" >"$root/keys"
  wait_for_line desktop '"summary": "Keyboard not connected"'
  desktop_tool click Apply
  wait_for_line desktop '"body": "The keyboard is not connected. Plug it in'

  desktop_tool click Notifications || fail "clicking Notifications failed"
  for _ in $(wait_polls); do grep -q "notifications=0" "$HOME/.config/keyloom/preferences.ini" 2>/dev/null && break; sleep 0.1; done
  grep -q "notifications=0" "$HOME/.config/keyloom/preferences.ini" || fail "the choice was not kept"
  wait_for_menu '^\d+\t-\tNotifications$'
  notes=$(grep -c '"event": "notify"' "$root/desktop.log")
  echo "plug" >"$root/keys"
  wait_for_tooltip "Simulated keyboard"
  echo "layer 1" >"$root/keys"
  wait_for_menu '^\d+\tx\tM1$'
  [ "$(grep -c '"event": "notify"' "$root/desktop.log")" -eq "$notes" ] || fail "told while turned off"
  grep -q "Notification: M1" "$root/hidden.log" && fail "told while turned off"

  # With the window shown, the window says it: no notification.
  desktop_tool click Notifications
  wait_for_menu '^\d+\tx\tNotifications$'
  "$keyloom" --data-dir "$data" --simulate || fail "the second start failed"
  wait_for_line hidden "Window shown"
  echo "layer 2" >"$root/keys"
  wait_for_menu '^\d+\tx\tM2$'
  [ "$(grep -c '"event": "notify"' "$root/desktop.log")" -eq "$notes" ] || fail "told with the window shown"
}

no_tray_host_keeps_the_second_start() {
  # Without a tray host (a plain GNOME), keyloom runs as before: a second
  # start shows the window.
  start_desktop --no-tray
  start notray --simulate --hidden
  wait_for_line notray "Tray icon: waiting for a tray"
  "$keyloom" --data-dir "$data" --simulate || fail "the second start failed"
  wait_for_line notray "Window shown"
  kill -0 "$pid" || fail "keyloom ended"
  grep -q '"event": "register"' "$root/desktop.log" && fail "registered without a tray host"
  quit_keyloom
}

run_case
