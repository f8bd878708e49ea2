#!/usr/bin/env bash
# Every include of the program's own headers points down the layers. One row
# per folder: the folders its files may include.
# Usage: check-includes.sh SRC_DIR
set -euo pipefail
src=$1
core="base model keys macro config store device"
allowed() {
  case $1 in
    base)      echo "base" ;;
    model)     echo "base model" ;;
    keys)      echo "base model keys" ;;
    macro)     echo "base model keys macro" ;;
    config)    echo "base model keys macro config" ;;
    store)     echo "base model keys macro config store" ;;
    device)    echo "$core" ;;
    hostmouse) echo "base hostmouse" ;;
    control)   echo "$core control" ;;
    report)    echo "$core report" ;;
    widgets)   echo "base widgets" ;;
    ui)        echo "$core hostmouse control widgets ui" ;;
    app)       echo "*" ;;
    *)         echo "" ;;  # a new folder gets a row of its own
  esac
}
status=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  ok=$(allowed "$layer")
  [ "$ok" = "*" ] && continue
  if [ -z "$ok" ]; then
    echo "$layer: no row in check-includes.sh" >&2
    status=1
    continue
  fi
  while IFS=: read -r file line include; do
    target=$(sed -n 's/.*#include "\([a-z]*\)\/.*/\1/p' <<<"$include")
    [ -z "$target" ] && continue
    if [[ " $ok " != *" $target "* ]]; then
      echo "${file#"$src"/}:$line: $layer includes $target: ${include#*#include }" >&2
      status=1
    fi
  done < <(grep -rn '#include "' "$dir" || true)
done
[ $status -eq 0 ] && echo "every include points down the layers"
exit $status
