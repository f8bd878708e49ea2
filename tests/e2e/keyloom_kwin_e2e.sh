#!/usr/bin/env bash
# Following the application in front on KDE Plasma, end to end: keyloom runs
# on an X server of its own (run under xvfb-run) but is told the session is a
# Wayland one, so that X11 following stays off, and fake_kwin.py stands in for
# KWin's scripting service on a session bus the script starts. The fake runs
# nothing: the script calls FocusChanged as the KWin script would. Usage:
#   keyloom_kwin_e2e.sh KEYLOOM KEYLOOMCTL WORK_DIR CASE
set -uo pipefail
keyloom=$1 ctl=$2 work=$3 case=$4

source "$(dirname "$0")/common.sh"
case_folder
own_session_bus  # never the user's bus
# Qt draws on the X server; keyloom sees a Wayland session (set at each start).
export XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb
# keyloom's start and end on a loaded machine.
wait_seconds=30
# Starts the fake KWin (the system python, which has python3-dbus) with the
# options given; returns once it owns org.kde.KWin.
start_kwin() {
  /usr/bin/python3 "$(dirname "$0")/fake_kwin.py" "$root/kwin.log" "$@" 2>"$root/kwin-errors.log" &
  wait_for_line kwin '"call": "ready"'
}
# Starts keyloom as log $1 in a Wayland session, on the simulated keyboard.
start_wayland() { WAYLAND_DISPLAY=wayland-keyloom-test start "$1" --simulate --hidden --sim-trace "$root/trace.txt"; }
# The fake KWin's calls after its log line $1 (default: all), one a line:
# the call, then its plugin name or object path, then loadScript's id.
kwin_calls() {
  log_after kwin "${1:-0}" | python3 -c '
import json, sys
for line in sys.stdin:
    r = json.loads(line)
    print("\t".join(str(r[k]) for k in ("call", "plugin", "path", "id") if k in r and not (r["call"] == "loadScript" and k == "path")))'
}
# A field of the last loadScript call: path, plugin, content.
loaded() { grep '"call": "loadScript"' "$root/kwin.log" | tail -n 1 | python3 -c "import json, sys; print(json.load(sys.stdin)['$1'])"; }
# keyloom's bus name, as its log $1 says.
bus_name() { sed -n 's/.*Session bus: serving //p' "$root/$1.log"; }

# ---- the cases, one function each ----

kwin_script_follows_and_is_unloaded() {
  run_ctl init >/dev/null || fail "init failed"
  printf '# keyloom focus rules 1\nM1\tM1_Profile3\torg.kde.dolphin\n' >"$data/focus_rules.txt"
  start_kwin
  start_wayland follow
  wait_for_line follow "Following the application in front: KWin"
  wait_for_line follow "Start-up: 1 profiles"
  name=$(bus_name follow)
  plugin=$(loaded plugin) script=$(loaded path)

  # Loaded under a name of this keyloom's own, from its runtime folder, then run.
  [ "$(kwin_calls)" = "$(printf 'ready\nisScriptLoaded\t%s\nloadScript\t%s\t1\nrun\t/Scripting/Script1' "$plugin" "$plugin")" ] ||
    fail "KWin was called: $(kwin_calls)"
  [[ $plugin == keyloom-focus-* && $script == "$XDG_RUNTIME_DIR"/* ]] || fail "loaded $plugin from $script"
  [ -f "$script" ] || fail "the script file is gone while keyloom runs"
  content=$(loaded content)
  for needed in "\"$name\"" '"FocusChanged"' '"/org/keyloom/Keyloom"' "workspace.windowActivated.connect" \
                "workspace.clientActivated.connect" "workspace.activeWindow" "workspace.activeClient"; do
    grep -qF -- "$needed" <<<"$content" || fail "the script has no $needed: $content"
  done

  # The script's call when Dolphin comes in front.
  writes=$(key_writes) mark=$(log_mark follow)
  gdbus call --session -d "$name" -o /org/keyloom/Keyloom -m org.keyloom.Keyloom1.FocusChanged org.kde.dolphin \
    >/dev/null || fail "FocusChanged failed"
  wait_for_line follow 'M1 plays "M1_Profile3", following org.kde.dolphin' "$mark"
  wait_for_key_writes $((writes + 1))

  # At the end the script is unloaded and its file removed.
  mark=$(wc -l <"$root/kwin.log")
  quit_keyloom
  [ "$(kwin_calls "$mark")" = "$(printf 'unloadScript\t%s' "$plugin")" ] || fail "KWin was called at the end: $(kwin_calls "$mark")"
  grep -q '"was_loaded": true' <<<"$(log_after kwin "$mark")" || fail "nothing was unloaded"
  [ ! -e "$script" ] || fail "the script file was left"
}

kwin_script_left_by_a_crash_is_replaced() {
  # Plasma 5: the loaded script's object is /<id>.
  start_kwin --plasma5
  start_wayland crashed
  wait_for_line crashed "Following the application in front: KWin"
  plugin=$(loaded plugin)
  kill -9 "$pid"; wait "$pid" 2>/dev/null
  mark=$(wc -l <"$root/kwin.log")

  # The script the crash left is unloaded before this keyloom's is loaded and run.
  start_wayland again
  wait_for_line again "Following the application in front: KWin"
  expected=$(printf 'isScriptLoaded\t%s\nunloadScript\t%s\nloadScript\t%s\t2\nrun\t/2' "$plugin" "$plugin" "$plugin")
  [ "$(kwin_calls "$mark")" = "$expected" ] || fail "KWin was called: $(kwin_calls "$mark")"
  grep -qF 'workspace.clientActivated.connect' <<<"$(loaded content)" || fail "no Plasma 5 signal in the script"
  mark=$(wc -l <"$root/kwin.log")
  quit_keyloom
  [ "$(kwin_calls "$mark")" = "$(printf 'unloadScript\t%s' "$plugin")" ] || fail "KWin was called at the end: $(kwin_calls "$mark")"
  [ -z "$(ls "$XDG_RUNTIME_DIR" | grep '\.js$')" ] || fail "a script file was left: $(ls "$XDG_RUNTIME_DIR")"
}

kwin_refusing_the_script_leaves_nothing() {
  start_kwin --refuse
  start_wayland refused
  wait_for_line refused "Following the application in front: not available on this desktop"
  wait_for_line kwin '"call": "loadScript"'
  grep -q '"call": "run"' "$root/kwin.log" && fail "a script KWin refused was run"
  [ -z "$(ls "$XDG_RUNTIME_DIR" | grep '\.js$')" ] || fail "a script file was left: $(ls "$XDG_RUNTIME_DIR")"
  mark=$(wc -l <"$root/kwin.log")
  quit_keyloom
  [ -z "$(kwin_calls "$mark")" ] || fail "KWin was called at the end: $(kwin_calls "$mark")"
}

kwin_that_never_answers_holds_nothing_up() {
  # KWin takes the calls and never answers: keyloom goes on serving while it
  # waits, gives up after its timeouts, and ends at once.
  run_ctl init >/dev/null || fail "init failed"
  start_kwin --hang
  start_wayland hung
  wait_for_line kwin '"call": "isScriptLoaded"'
  wait_for_line hung "Session bus: serving"
  listed=$(run_ctl rules) || fail "rules failed while KWin hangs"
  [ "$listed" = "$(printf 'no rules\nfollowing: on, but this desktop offers no focus source')" ] || fail "rules said: $listed"
  grep -q "Following the application in front:" "$root/hung.log" && fail "keyloom waited on KWin before answering"
  wait_for_line hung "Following the application in front: not available on this desktop"
  quit_keyloom
}

run_case
