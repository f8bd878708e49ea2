#!/usr/bin/env bash
# The Debian package as a user gets it: unpacked into a root of its own, it
# holds every installed part, names its library dependencies, and its programs
# run from there on the work directory it carries.
# Usage: check-deb.sh PACKAGE.deb
set -euo pipefail
deb=$1
root=$(mktemp -d)
data=$(mktemp -d)
trap 'rm -rf "$root" "$data"' EXIT
fail() { echo "check-deb: $*" >&2; exit 1; }

dpkg-deb -x "$deb" "$root"
for f in usr/bin/keyloom usr/bin/keyloomctl usr/libexec/keyloom/keyloom-hidcheck \
         usr/lib/udev/rules.d/70-keyloom.rules \
         usr/share/applications/org.keyloom.Keyloom.desktop \
         usr/share/metainfo/org.keyloom.Keyloom.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/org.keyloom.Keyloom.svg \
         usr/share/icons/hicolor/48x48/apps/org.keyloom.Keyloom.png \
         usr/share/keyloom/autostart/org.keyloom.Keyloom-autostart.desktop \
         usr/share/gnome-shell/extensions/keyloom-focus@keyloom.org/metadata.json \
         usr/share/gnome-shell/extensions/keyloom-focus@keyloom.org/extension.js \
         usr/share/keyloom/cfg/cfg.txt usr/share/keyloom/cfg/skins/main_nr.png \
         usr/share/keyloom/cfg/skins/main_nr@2x.png usr/share/keyloom/cfg/Dev/Vela/Designer/keyimg.png \
         usr/share/keyloom/cfg/Dev/Vela/Designer/keyimg@2x.png \
         usr/share/doc/keyloom/copyright usr/share/doc/keyloom/changelog.gz \
         usr/share/man/man1/keyloom.1.gz usr/share/man/man1/keyloomctl.1.gz; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
grep -q 'PROGRAM="/usr/libexec/keyloom/keyloom-hidcheck ' "$root/usr/lib/udev/rules.d/70-keyloom.rules" ||
  fail "the udev rule does not name the installed helper"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libudev1 libexpat1 libglib2.0-0; do
  [[ $depends == *"$lib "* ]] || fail "Depends lacks $lib: $depends"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./postinst | grep -q "udevadm control --reload-rules" ||
  fail "postinst does not reload the udev rules"

version=$("$root/usr/bin/keyloomctl" --version)
[[ $version =~ ^keyloomctl\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "keyloomctl --version printed: $version"
"$root/usr/bin/keyloomctl" --simulate --data-dir "$data" apply >/dev/null 2>&1 ||
  fail "keyloomctl --simulate apply failed from the unpacked package"
[ -s "$data/keypro.dct" ] || fail "the apply from the package left no stored data"

if command -v lintian >/dev/null 2>&1; then
  lintian --fail-on error,warning "$deb" 2>&1 | grep -v "running with root privileges" || true
  lintian --fail-on error,warning "$deb" >/dev/null 2>&1 || fail "lintian has findings (above)"
fi
echo "check-deb: $(basename "$deb") holds everything and runs: $version"
