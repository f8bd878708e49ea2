#!/usr/bin/env bash
# keyloom's session bus service end to end: keyloom runs on an X server of its
# own (run under xvfb-run) and a session bus the script starts, against the
# simulated keyboard, and gdbus drives it as a script would. Usage:
#   keyloom_bus_e2e.sh KEYLOOM KEYLOOMCTL WORK_DIR INTERFACE_XML CASE
set -uo pipefail
keyloom=$1 ctl=$2 work=$3 interface_xml=$4 case=$5

path=/org/keyloom/Keyloom
iface=org.keyloom.Keyloom1

source "$(dirname "$0")/common.sh"
case_folder
own_session_bus  # never the user's bus

# Waits up to 10 s until keyloom owns its name on the bus; the name in $name.
wait_for_name() {
  name=$(sed -n 's/.*Session bus: serving //p' "$root/$1.log" 2>/dev/null)
  for _ in $(wait_polls); do
    [ -n "$name" ] && gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
      -m org.freedesktop.DBus.NameHasOwner "$name" 2>/dev/null | grep -q true && return 0
    sleep 0.1
    name=$(sed -n 's/.*Session bus: serving //p' "$root/$1.log" 2>/dev/null)
  done
  fail "keyloom never appeared on the bus"
}
# Calls method $1 of the interface with the arguments that follow.
call() { local method=$1; shift; gdbus call --session -d "$name" -o "$path" -m "$iface.$method" -- "$@"; }
# A value of GetState, as gdbus prints it ("<2>", "<'M2_Profile1'>").
state_of() { call GetState | grep -o "'$1': <[^>]*>" | sed -E "s/^'$1': <(.*)>$/\1/"; }

# ---- the cases, one function each ----

bus_drives_the_window() {
  start window --simulate --sim-trace "$root/trace.txt" --sim-delay 5
  wait_for_line window "Window shown"
  wait_for_name window
  gdbus monitor --session -d "$name" >"$root/monitor.txt" 2>&1 &
  monitor=$!
  for _ in $(wait_polls); do grep -q "is owned by" "$root/monitor.txt" && break; sleep 0.1; done

  # The interface as written down, method for method and signal for signal.
  gdbus introspect --session -d "$name" -o "$path" --xml >"$root/introspected.xml" || fail "no introspection"
  python3 - "$interface_xml" "$root/introspected.xml" <<'EOF' || fail "the introspection differs from the interface file"
import sys, xml.etree.ElementTree as ET
def members(path):
    iface = ET.parse(path).getroot().find("interface[@name='org.keyloom.Keyloom1']")
    return sorted((m.tag, m.get("name"), tuple((a.get("name"), a.get("type"), a.get("direction", "")) for a in m))
                  for m in iface)
written, served = members(sys.argv[1]), members(sys.argv[2])
if written != served:
    print("written:", written, "\nserved:", served, file=sys.stderr)
    sys.exit(1)
EOF

  # SetLayer: the window shows M2 when the call returns.
  mark=$(log_mark window)
  call SetLayer 2 >/dev/null || fail "SetLayer 2 failed"
  wait_for_line window 'Shown: M2, key table "M2_Profile1"' "$mark"
  [ "$(state_of Layer)" = 2 ] || fail "GetState gives layer $(state_of Layer) after SetLayer 2"
  call SetLayer 4 2>"$root/err.txt" && fail "SetLayer 4 succeeded"
  grep -q "Error.NotFound" "$root/err.txt" || fail "SetLayer 4: $(cat "$root/err.txt")"

  # ChooseKeyTable: a table of M2 from ListKeyTables, shown at once.
  third=$(call ListKeyTables 2 | grep -oE "[0-9]+, 'M2_Profile3'" | cut -d, -f1)
  [ -n "$third" ] || fail "ListKeyTables 2 has no M2_Profile3: $(call ListKeyTables 2)"
  mark=$(log_mark window)
  call ChooseKeyTable 2 "$third" >/dev/null || fail "ChooseKeyTable failed"
  wait_for_line window 'Shown: M2, key table "M2_Profile3"' "$mark"
  state_of KeyTableNames | grep "'M2_Profile3'" >/dev/null || fail "GetState: $(call GetState)"
  call ChooseKeyTable 1 "$third" 2>"$root/err.txt" && fail "a table of M2 was chosen for M1"
  grep -q "Error.NotFound" "$root/err.txt" || fail "ChooseKeyTable 1: $(cat "$root/err.txt")"

  # Apply returns once the key table is on the wire; two at once both get their answer.
  call Apply 1 >/dev/null || fail "Apply 0x0001 failed"
  grep -q "^SET 09" "$root/trace.txt" || fail "Apply returned before the key table was written"
  call Apply 1 >"$root/first.txt" 2>&1 & first=$!
  call Apply 2 >"$root/second.txt" 2>&1 & second=$!
  wait "$first" || fail "the first of two Apply calls: $(cat "$root/first.txt")"
  wait "$second" || fail "the second of two Apply calls: $(cat "$root/second.txt")"

  # The signals a script follows.
  kill "$monitor"; wait "$monitor" 2>/dev/null
  grep -q "$iface.LayerSwitched (2, uint32 [0-9]*, 'M2_Profile1', false)" "$root/monitor.txt" ||
    fail "no LayerSwitched: $(cat "$root/monitor.txt")"
  grep -q "$iface.ApplyFinished (1, true, '')" "$root/monitor.txt" || fail "no ApplyFinished: $(cat "$root/monitor.txt")"
  grep -q "$iface.DataChanged ()" "$root/monitor.txt" || fail "no DataChanged"

  # Hide and Show, then Quit: answered, and the end saves.
  call Hide >/dev/null && [ "$(state_of WindowShown)" = false ] || fail "Hide: $(call GetState)"
  call Show >/dev/null && [ "$(state_of WindowShown)" = true ] || fail "Show: $(call GetState)"
  call Quit >/dev/null || fail "Quit failed"
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
  layer=$(run_ctl profiles | grep -m1 '"nLayer"' | tr -dc 0-9)
  [ "$layer" = 1 ] || fail "the stored layer is $layer, not M2's 1"
}

bus_exchanges_data() {
  # A key-table exchange file from another data folder, imported through the bus.
  other=$root/other
  "$ctl" --work-dir "$work" --data-dir "$other" init >/dev/null || fail "init of another folder"
  "$ctl" --work-dir "$work" --data-dir "$other" export-keypro "$root/shared.duk" >/dev/null || fail "export-keypro"
  start window --simulate
  wait_for_line window "Window shown"
  wait_for_name window
  call ListProfiles | grep 'currentProfile' >/dev/null || fail "ListProfiles: $(call ListProfiles)"
  call ListMacros | grep 'macroDir' >/dev/null || fail "ListMacros: $(call ListMacros)"
  mark=$(log_mark window)
  call ImportKeyTable "$root/shared.duk" >"$root/import.txt" || fail "ImportKeyTable: $(cat "$root/import.txt")"
  grep -q 'keysTaken.*true' "$root/import.txt" || fail "ImportKeyTable: $(cat "$root/import.txt")"
  wait_for_line window 'Shown: M1, key table "M1_Profile1"' "$mark"  # the window shows the imported keys
  wait_for_line window "Save [0-9]* written" "$mark"                  # and the import is saved
  call ImportKeyTable shared.duk 2>"$root/err.txt" && fail "a relative path was taken"
  grep -q "Error.Refused" "$root/err.txt" || fail "relative path: $(cat "$root/err.txt")"
  call ImportKeyTable "$root/missing.duk" 2>"$root/err.txt" && fail "a missing file was imported"
  grep -q "Error.Refused" "$root/err.txt" || fail "missing file: $(cat "$root/err.txt")"
  call ExportKeyTable 0 "$root/out.duk" >/dev/null && [ -s "$root/out.duk" ] || fail "ExportKeyTable"
  call ExportKeyTable 7 "$root/out.duk" 2>"$root/err.txt" && fail "an unknown key table was exported"
  grep -q "Error.NotFound" "$root/err.txt" || fail "ExportKeyTable 7: $(cat "$root/err.txt")"
  call ImportMacro "$root/missing.mcf" "" 2>"$root/err.txt" && fail "a missing macro file was imported"
  grep -q "Error.Refused" "$root/err.txt" || fail "ImportMacro: $(cat "$root/err.txt")"
  call ExportMacro nothing "$root/out.mcf" 2>"$root/err.txt" && fail "an unknown macro was exported"
  grep -q "Error.NotFound" "$root/err.txt" || fail "ExportMacro: $(cat "$root/err.txt")"
  call Save | grep '"saved": *true' >/dev/null || fail "Save"
  call Quit >/dev/null; wait_for_exit "$pid"
  # Nothing was written over: the import reached the files.
  [ -n "$(ls "$data"/keypro.dct.bak* 2>/dev/null)" ] || fail "no backup before the import"
}

bus_apply_without_keyboard() {
  start window --simulate --sim-unplugged --hidden
  wait_for_line window "Start-up:"
  wait_for_name window
  [ "$(state_of KeyboardAttached)" = false ] || fail "GetState: $(call GetState)"
  call Apply 1 2>"$root/err.txt" && fail "Apply without a keyboard succeeded"
  grep -q "org.keyloom.Keyloom1.Error.NoKeyboard" "$root/err.txt" || fail "Apply: $(cat "$root/err.txt")"
  call Quit >/dev/null; wait_for_exit "$pid"
}

runs_without_a_session_bus() {
  # No bus: one log line, and the window, --quit and the second start work as before.
  DBUS_SESSION_BUS_ADDRESS=unix:path=$root/no-bus start window --simulate --hidden
  wait_for_line window "Session bus: none"
  "$keyloom" --data-dir "$data" --simulate || fail "the second start failed"
  wait_for_line window "Window shown"
  "$keyloom" --data-dir "$data" --quit || fail "--quit failed without a bus"
  wait_for_exit "$pid"; [ "$rc" -eq 0 ] || fail "exit code $rc"
}

run_case
