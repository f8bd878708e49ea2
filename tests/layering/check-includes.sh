#!/usr/bin/env bash
# Every include of the program's own headers points down the layers:
#   base                                  -> base
#   config, model, macro, keys, hostmouse -> those and base
#   device                                -> the above
#   widgets                               -> the core (all of the above)
#   ui                                    -> widgets and the core
#   app                                   -> anything
# Usage: check-includes.sh SRC_DIR
set -euo pipefail
src=$1
core_row="base config model macro keys hostmouse"
allowed() {
  case $1 in
    base) echo "base" ;;
    config|model|macro|keys|hostmouse) echo "$core_row" ;;
    device) echo "$core_row device" ;;
    widgets) echo "$core_row device widgets" ;;
    ui) echo "$core_row device widgets ui" ;;
    *) echo "*" ;;
  esac
}
status=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  ok=$(allowed "$layer")
  [ "$ok" = "*" ] && continue
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
