#!/usr/bin/env bash
# keyloom's GNOME Shell extension as the Shell reads it.
#   check-gnome-extension.sh metadata DIR   metadata.json: valid, and its uuid the folder's name
#   check-gnome-extension.sh script DIR     extension.js compiled and built (gjs, else node);
#                                           exit code 77 (skipped) when neither is installed
set -euo pipefail
mode=$1 dir=${2%/}

case $mode in
metadata)
  python3 - "$dir" <<'PY'
import json, os, sys
folder = sys.argv[1]
try:
    with open(os.path.join(folder, "metadata.json"), encoding="utf-8") as f:
        meta = json.load(f)
except (OSError, ValueError) as e:
    sys.exit("metadata.json: %s" % e)
problems = []
if meta.get("uuid") != os.path.basename(folder):
    problems.append("uuid %r is not the folder's name %r" % (meta.get("uuid"), os.path.basename(folder)))
for key in ("name", "description"):
    if not isinstance(meta.get(key), str) or not meta[key]:
        problems.append("no %s" % key)
versions = meta.get("shell-version")
if not isinstance(versions, list) or not versions or not all(isinstance(v, str) for v in versions):
    problems.append("shell-version is not a list of texts: %r" % versions)
if not os.path.isfile(os.path.join(folder, "extension.js")):
    problems.append("no extension.js beside it")
if problems:
    sys.exit("metadata.json: " + "; ".join(problems))
print("metadata.json: %s for GNOME Shell %s" % (meta["uuid"], ", ".join(versions)))
PY
  ;;
script)
  check=$(dirname "$0")/gnome_extension_check.js
  if command -v gjs >/dev/null 2>&1; then
    gjs "$check" "$dir/extension.js"
    echo "extension.js: compiled and built by gjs"
  elif command -v node >/dev/null 2>&1; then
    node "$check" "$dir/extension.js"
    echo "extension.js: compiled and built by node (gjs is not installed)"
  else
    echo "SKIPPED: neither gjs nor node is installed, so extension.js cannot be compiled here"
    exit 77
  fi
  ;;
*)
  echo "usage: check-gnome-extension.sh metadata|script DIR" >&2
  exit 2
  ;;
esac
