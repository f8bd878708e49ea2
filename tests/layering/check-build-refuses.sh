#!/usr/bin/env bash
# The build itself keeps the core's layers: a core folder's sources are
# compiled with include directories that hold its own folder and the ones
# below it only. For every folder, a header of each folder at or below it must
# be found with that folder's include directories, and a header of each folder
# above it must not.
# Usage: check-build-refuses.sh CXX SRC_DIR FOLDER=DIR[:DIR...]...  (lowest folder first)
set -uo pipefail
cxx=$1 src=$2
shift 2
folders=() dirs=()
for arg in "$@"; do
  folders+=("${arg%%=*}")
  dirs+=("${arg#*=}")
done
status=0
for ((i = 0; i < ${#folders[@]}; i++)); do
  flags=()
  IFS=: read -ra list <<<"${dirs[i]}"
  for d in "${list[@]}"; do flags+=(-I "$d"); done
  for ((j = 0; j < ${#folders[@]}; j++)); do
    header=$(cd "$src" && ls "${folders[j]}"/*.h | head -n 1)
    if echo "#include \"$header\"" | "$cxx" -std=c++20 -E -x c++ - "${flags[@]}" -o /dev/null 2>/tmp/layer-refusal.$$; then
      found=1
    else
      found=0
      grep -q "No such file or directory" /tmp/layer-refusal.$$ || { cat /tmp/layer-refusal.$$ >&2; status=1; }
    fi
    if ((j <= i && !found)); then
      echo "${folders[i]} cannot include $header, which is at or below it" >&2
      status=1
    elif ((j > i && found)); then
      echo "${folders[i]} can include $header, which is above it" >&2
      status=1
    fi
  done
done
rm -f /tmp/layer-refusal.$$
[ $status -eq 0 ] && echo "each core folder compiles against its own folder and the ones below only"
exit $status
