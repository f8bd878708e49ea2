#!/usr/bin/env bash
# Installs the desktop component into a scratch prefix and checks the tree a
# desktop reads: the menu entry, the metainfo, the autostart entry, the icon
# in every size and the session bus interface, then runs the freedesktop and
# AppStream validators on it.
# Usage: check-install.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1
build=$2

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --component desktop --prefix "$prefix" >/dev/null

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

share=$prefix/share
id=org.keyloom.Keyloom
app=$share/applications/$id.desktop
meta=$share/metainfo/$id.metainfo.xml
autostart=$share/keyloom/autostart/$id-autostart.desktop
icons=$share/icons/hicolor
bus_interface=$share/dbus-1/interfaces/org.keyloom.Keyloom1.xml

for f in "$app" "$meta" "$autostart" "$icons/scalable/apps/$id.svg" "$bus_interface"; do
  [ -s "$f" ] || fail "not installed: ${f#"$prefix"/}"
done
[ "$failures" -eq 0 ] || exit 1

# A PNG's width and height are the big-endian words at bytes 16 and 20.
for size in 16 24 32 48 64 128 256; do
  png=$icons/${size}x${size}/apps/$id.png
  if [ ! -s "$png" ]; then
    fail "not installed: ${png#"$prefix"/}"
    continue
  fi
  read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$png")
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "${size}x${size}/apps/$id.png is ${w}x${h}"
done

# The menu entry starts the window; the autostart entry starts it hidden.
grep -qx 'Exec=keyloom' "$app" || fail "menu entry does not run keyloom"
grep -qx 'Exec=keyloom --hidden' "$autostart" || fail "autostart entry does not run keyloom --hidden"
grep -qx 'X-GNOME-Autostart-enabled=true' "$autostart" || fail "autostart entry is not enabled"
# The menu speaks every language keyloom ships.
for lang in de fr it ru ja ko zh_CN zh_TW; do
  grep -q "^Comment\[$lang\]=." "$app" || fail "menu entry has no Comment[$lang]"
done

# desktop-file-utils before 0.27 knows Desktop Entry 1.4 only, so it rejects
# Version=1.5 and the 1.5 key SingleMainWindow; anything else it says counts.
known_1_5='"1\.5" for key "Version"|key "SingleMainWindow"'
for f in "$app" "$autostart"; do
  report=$(desktop-file-validate "$f" 2>&1 || true)
  report=$(grep -Ev "$known_1_5" <<<"$report" || true)
  [ -z "$report" ] || fail "desktop-file-validate ${f##*/}:"$'\n'"$report"
done

# --strict fails on everything but pedantic hints; validate-tree also checks
# that the launchable's desktop file is installed beside the metainfo.
appstreamcli validate --strict --no-net "$meta" >/dev/null 2>&1 ||
  fail "appstreamcli validate:"$'\n'"$(appstreamcli validate --strict --no-net "$meta" 2>&1)"
appstreamcli validate-tree --strict --no-net "$prefix" >/dev/null 2>&1 ||
  fail "appstreamcli validate-tree:"$'\n'"$(appstreamcli validate-tree --strict --no-net "$prefix" 2>&1)"

[ "$failures" -eq 0 ] && echo "desktop component: $(find "$prefix" -type f | wc -l) files, all valid"
exit $((failures > 0))
